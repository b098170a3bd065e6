#include "forms/message_box.h"

#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>

#include "forms/qt_text.h"
#include "forms/window_style.h"
#include "text/cp1252.h"

namespace vintrel::forms {
namespace {
using text::operator""_w;
ScriptedMessages* g_script = nullptr;

void useWindowsButtonRow(QMessageBox& box) {
    auto* row = box.findChild<QDialogButtonBox*>();
    if (!row) return;
    // The buttons of a box in the order and look Windows gives them ("&Sim" before "&Não", no
    // icons on them), whatever the desktop's platform theme prefers (GNOME and XFCE put No first).
    auto* style = new WindowStyle(true);
    style->setParent(row);
    row->setStyle(style);
    for (QAbstractButton* button : row->buttons()) button->setIcon(QIcon());
}
}  // namespace

const char* buttonsName(MessageKind kind) {
    return kind == MessageKind::Question ? "YesNo" : "OK";
}

ScriptedMessages::ScriptedMessages(Answer defaultQuestionAnswer)
    : defaultQuestionAnswer_(defaultQuestionAnswer), previous_(g_script) {
    g_script = this;
}

ScriptedMessages::~ScriptedMessages() {
    g_script = previous_;
}

Answer ScriptedMessages::answer(AskedMessage message) {
    Answer given = message.kind == MessageKind::Question ? defaultQuestionAnswer_ : Answer::Ok;
    if (!next_.empty()) {
        given = next_.front();
        next_.pop_front();
    }
    message.answer = given;
    asked_.push_back(message);
    if (observer_) observer_(asked_.back());
    return given;
}

Answer showMessageBox(QWidget* owner, const std::string& caption, const std::string& text, MessageKind kind) {
    if (g_script) return g_script->answer({caption, text, kind});
    const QMessageBox::Icon icon = kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::NoIcon;
    QMessageBox box(icon, qt(caption), qt(text), QMessageBox::NoButton, owner);
    box.setTextFormat(Qt::PlainText);  // messages may carry outside text
    box.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    if (kind == MessageKind::Question) {
        // The buttons as a Brazilian-Portuguese system labels them.
        QPushButton* yes = box.addButton(QMessageBox::Yes);
        yes->setText(qt("&Sim"));
        box.addButton(QMessageBox::No)->setText(qt("&Não"_w));
        box.setEscapeButton(QMessageBox::No);
        // In Windows' order, the focus on the first: Enter answers Yes.
        useWindowsButtonRow(box);
        box.setDefaultButton(yes);
        yes->setFocus();
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    box.addButton(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    useWindowsButtonRow(box);
    box.exec();
    return Answer::Ok;
}

}  // namespace vintrel::forms
