#include "forms/about_form.h"

#include <QPixmap>
#include <string>

#include "forms/controls.h"
#include "forms/maker.h"
#include "platform/api/platform.h"
#include "text/cp1252.h"

namespace vintrel::forms {

TForm2* Form2 = nullptr;

namespace {
using text::operator""_w;

const std::string& telephone() {
    static const std::string t = kMakerTelephone;
    return t;
}
}  // namespace

TForm2::TForm2() : TForm("Form2", "TForm2", "Malvex Desenvolvimentos.", QSize(257, 203)) {
    placeAt(309, 154);
    const QFont regular = formFont(11);

    makeAutoLabel(this, "Label1", QPoint(9, 6), 13, "", regular)->resize(3, 13);
    makeAutoLabel(this, "Label4", QPoint(8, 152), 13, std::string(kMakerCity) + " - Fone " + telephone(),
                  regular);
    SpeedButton1 = new TSpeedButton(this, "SpeedButton1", QRect(176, 173, 73, 25), "&OK", formFont(13));
    auto* mail = makeAutoLabel(this, "Label7", QPoint(8, 168), 13, kMakerEmail, regular);
    auto* site = makeAutoLabel(this, "Label14", QPoint(8, 184), 13, "WebSite", regular);
    for (TLabel* link : {mail, site}) {
        link->makeLink();
        link->setBackground(buttonFace());
    }

    ScrollBox1 = new TScrollBox(this, "ScrollBox1", QRect(8, 8, 241, 137), Qt::white);
    ScrollBox2 =
        new TScrollBox(ScrollBox1, "ScrollBox2", QRect(8, kPanelTop, 233, kPanelHeight), Qt::white, false);

    new TImage(ScrollBox2, "Image2", QPoint(64, 8), programPicture(QStringLiteral(":/logo.xpm")));
    auto* product =
        makeAutoLabel(ScrollBox2, "Label2", QPoint(48, 48), 24, "Vintrel 1.1", formFont(19, true));
    product->setTextColour(QColor(0, 0, 128));
    product->setCharacterHeight(19);
    new TImage(ScrollBox2, "Image1", QPoint(8, 53), programPicture(QStringLiteral(":/vintrel.xpm")));
    makeAutoLabel(ScrollBox2, "Label8", QPoint(48, 72), 13, kMakerName, formFont(11, false, true))
        ->setTransparent(true);
    makeAutoLabel(ScrollBox2, "Label3", QPoint(8, 96), 13, std::string("Programa criado por: ") + kAuthor,
                  regular);
    makeAutoLabel(ScrollBox2, "Label5", QPoint(8, 112), 13, kLegalNotice, regular);
    makeAutoLabel(ScrollBox2, "Label6", QPoint(8, 144), 13, "Visite nosso WebSite e:", formFont(11, true));
    makeAutoLabel(ScrollBox2, "Label9", QPoint(8, 168), 13,
                  "1) Verifique atualizações grátis  deste produto"_w, regular);
    auto* downloads = makeLabel(ScrollBox2, "Label10", QRect(8, 192, 190, 26),
                                "2) Faça download de outros programas,  jogos e apostilas ..."_w, regular,
                                TLabel::Sizing::Fixed, Qt::AlignLeft | Qt::AlignTop);
    downloads->setWordWrapping(true);
    makeAutoLabel(ScrollBox2, "Label12", QPoint(8, 240), 13, "Fone: " + telephone(), regular);
    auto* mailLine = makeAutoLabel(ScrollBox2, "Label11", QPoint(8, 256), 13,
                                   std::string("E-mail: ") + kMakerEmail, formFont(11, false, true));
    auto* siteLine = makeAutoLabel(ScrollBox2, "Label13", QPoint(8, 272), 13, kMakerWebSiteText,
                                   formFont(11, false, true));
    for (TLabel* link : {mailLine, siteLine}) link->makeLink();

    Timer1 = makeTimer("Timer1", 15, &TForm2::Timer1Timer);
    on(SpeedButton1, &QToolButton::clicked, &TForm2::SpeedButton1Click);
    on(mail, &TLabel::clicked, &TForm2::Label7Click);
    on(mailLine, &TLabel::clicked, &TForm2::Label11Click);
    on(siteLine, &TLabel::clicked, &TForm2::Label13Click);
    on(site, &TLabel::clicked, &TForm2::Label14Click);
    indexControls();

    Form2 = this;
    Timer1->start();
}

TForm2::~TForm2() {
    if (Form2 == this) Form2 = nullptr;
}

void TForm2::Timer1Timer() {
    ScrollBox2->move(ScrollBox2->x(), ScrollBox2->y() - 1);
    if (ScrollBox2->y() < -ScrollBox2->height()) ScrollBox2->move(ScrollBox2->x(), ScrollBox1->height());
}

void TForm2::SpeedButton1Click() {
    close();
}

void TForm2::Label7Click() {
    openMakerMail();
}
void TForm2::Label11Click() {
    openMakerMail();
}
void TForm2::Label13Click() {
    openMakerWebSite();
}
void TForm2::Label14Click() {
    openMakerWebSite();
}

}  // namespace vintrel::forms
