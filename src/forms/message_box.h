#pragma once
// Message boxes of the windows: a plain message with OK, a Yes/No question without icon, and
// the error box of the default handler (stop icon, OK). All go through one seam, so that
// tests and the headless modes answer them in advance and see what was asked.

#include <deque>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace vintrel::forms {

enum class MessageKind { Message, Question, Error };

// The answers, numbered as the Windows API numbers them.
enum class Answer { Ok = 1, Yes = 6, No = 7 };

struct AskedMessage {
    std::string caption;  // Windows-1252
    std::string text;     // Windows-1252
    MessageKind kind = MessageKind::Message;
    Answer answer = Answer::Ok;
};

// "OK" or "YesNo", as the widget dump names a box's buttons.
const char* buttonsName(MessageKind kind);

// Shows a box modal on `owner` and returns the answer: OK for a message or an error, Yes or
// No for a question (closing a question's box answers No).
Answer showMessageBox(QWidget* owner, const std::string& caption, const std::string& text, MessageKind kind);

// While one lives, boxes are not shown: each is answered from the queue of next answers,
// else with the default answer (No for a question, OK otherwise), and recorded.
class ScriptedMessages {
public:
    using Observer = std::function<void(const AskedMessage&)>;
    explicit ScriptedMessages(Answer defaultQuestionAnswer = Answer::No);
    ~ScriptedMessages();
    ScriptedMessages(const ScriptedMessages&) = delete;
    ScriptedMessages& operator=(const ScriptedMessages&) = delete;

    void answerNext(Answer answer) { next_.push_back(answer); }
    void setObserver(Observer observer) { observer_ = std::move(observer); }
    const std::vector<AskedMessage>& asked() const { return asked_; }
    void clear() { asked_.clear(); }

    Answer answer(AskedMessage message);

private:
    Answer defaultQuestionAnswer_;
    std::deque<Answer> next_;
    std::vector<AskedMessage> asked_;
    Observer observer_;
    ScriptedMessages* previous_;
};

}  // namespace vintrel::forms
