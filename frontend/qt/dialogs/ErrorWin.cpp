#include "frontend/qt/dialogs/ErrorWin.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFont>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>

#include <cstdint>

#include "core/SourceTexts.h"
#include "core/iProcs.h"
#include "frontend/qt/dialogs/Pictures.h"
#include "frontend/qt/i18n/FormTranslation.h"
#include "window/error/ErrorText.h"

namespace vantrel {

namespace {

constexpr TColor kLogoFrameColor = 0xFFBCBC;

QFont DialogFont(bool bold) {
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    font.setBold(bold);
    return font;
}

// Plain text on the card's window colour, so that a server's text is never
// read as markup.
QLabel* MakeLabel(QWidget* parent, const char* name, const QRect& geometry, TColor color,
                  bool bold) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(geometry);
    label->setFont(DialogFont(bold));
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, ResolveColor(clWindow));
    palette.setColor(QPalette::WindowText, ResolveColor(color));
    label->setPalette(palette);
    return label;
}

}  // namespace

TfErrorDlg::TfErrorDlg(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      FShellOpen([](const QUrl& url) { QDesktopServices::openUrl(url); }) {
    setObjectName(QStringLiteral("fErrorDlg"));
    setWindowTitle(QString::fromUtf8(texts::kAppTitle.data(),
                                     static_cast<qsizetype>(texts::kAppTitle.size())));
    setFont(DialogFont(false));
    // The 414 by 210 client sits inside a border of 6 in the button face.
    setFixedSize(kClientWidth + 2 * kBorderWidth, kClientHeight + 2 * kBorderWidth);
    // Placed by the program, not left to the window manager's choice.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    CreateChildren();
    CreateTranslator();
    FormCreate();
}

void TfErrorDlg::CreateChildren() {
    // The card fills the top of the client, inside the border.
    SpecialFrame1 = new TSpecialFrame(this);
    SpecialFrame1->setObjectName(QStringLiteral("SpecialFrame1"));
    SpecialFrame1->setGeometry(kBorderWidth, kBorderWidth, kClientWidth, 145);
    SpecialFrame1->SetFillColor(clWhite);
    SpecialFrame1->SetColor(clBtnFace);
    SpecialFrame1->Corners()->SetAll(csRound);

    SpecialFrame3 = new TSpecialFrame(SpecialFrame1);
    SpecialFrame3->setObjectName(QStringLiteral("SpecialFrame3"));
    SpecialFrame3->setGeometry(20, 13, 70, 71);
    SpecialFrame3->SetColor(clWhite);
    SpecialFrame3->SetFrameColor(kLogoFrameColor);
    SpecialFrame3->Corners()->SetAll(csRound);

    imgProductLogo = new QLabel(SpecialFrame3);
    imgProductLogo->setObjectName(QStringLiteral("imgProductLogo"));
    imgProductLogo->setGeometry(3, 4, 64, 64);
    imgProductLogo->setTextFormat(Qt::PlainText);
    imgProductLogo->setAlignment(Qt::AlignCenter);

    const int textWidth = 293;
    lbErrorTitle =
        MakeLabel(SpecialFrame1, "lbErrorTitle", QRect(104, 17, textWidth, 13), clMaroon, true);
    lbError =
        MakeLabel(SpecialFrame1, "lbError", QRect(104, 40, textWidth, 69), clWindowText, true);
    lbError->setWordWrap(true);
    lbError->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    imgWebSite = new QLabel(SpecialFrame1);
    imgWebSite->setObjectName(QStringLiteral("imgWebSite"));
    imgWebSite->setGeometry(20, 111, 24, 24);
    imgWebSite->setTextFormat(Qt::PlainText);
    imgWebSite->setCursor(Qt::PointingHandCursor);

    lbWWWSite = new TClickLabel(SpecialFrame1);
    lbWWWSite->setObjectName(QStringLiteral("lbWWWSite"));
    lbWWWSite->setText(QString::fromLocal8Bit(texts::ViewDownloadsCaption()));
    lbWWWSite->setCursor(Qt::PointingHandCursor);
    QFont linkFont = DialogFont(false);
    linkFont.setUnderline(true);
    lbWWWSite->setFont(linkFont);
    lbWWWSite->setAutoFillBackground(true);
    QPalette linkPalette = lbWWWSite->palette();
    linkPalette.setColor(QPalette::Window, ResolveColor(clWindow));
    linkPalette.setColor(QPalette::WindowText, ResolveColor(clBlue));
    lbWWWSite->setPalette(linkPalette);
    lbWWWSite->move(50, 115);
    lbWWWSite->adjustSize();
    connect(lbWWWSite, &TClickLabel::clicked, this, &TfErrorDlg::lbWWWSiteClick);

    btnClose = new QPushButton(this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setText(
        QString::fromUtf8(texts::kClose.data(), static_cast<qsizetype>(texts::kClose.size())));
    btnClose->setGeometry(kBorderWidth + 331, kBorderWidth + 168, 75, 25);
    btnClose->setDefault(true);
    btnClose->setFocus();
    connect(btnClose, &QPushButton::clicked, this, &TfErrorDlg::btnCloseClick);
    // The button is both the default and the cancel button.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::Key_Return),
                                    QKeySequence(Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, btnClose, &QPushButton::click);
    }
}

// The link's source text depends on the configured site.
void TfErrorDlg::CreateTranslator() {
    const TFormTranslation parts =
        MakeFormTranslation(this, windowTitle(), "fErrorDlg",
                            {
                                {"btnClose", std::string(texts::kClose), "", true, true},
                                {"lbWWWSite", texts::ViewDownloadsCaption(), "", true, true},
                            });
    Repository = parts.Repository;
    Translator = parts.Translator;
}

void TfErrorDlg::FormCreate() {
    // A dictionary that is missing or damaged, or a language it lacks,
    // leaves the built-in English texts.
    try {
        Repository->LoadDictionary(AppDir + "translation.dat");
        Repository->SetCurrentLanguage(Language);
        Translator->TranslateForm();
    } catch (...) {
    }
    lbWWWSite->adjustSize();
    imgProductLogo->setPixmap(LoadPicture("ORBISK4LOGO64"));
    imgWebSite->setPixmap(LoadPicture("GLOBESMALL"));
}

void TfErrorDlg::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
}

void TfErrorDlg::FormShow() {
    QApplication::beep();
}

void TfErrorDlg::ShowError(const std::string& text) {
    const TErrorText shown = ErrorTextFor(text, *Repository);
    lbErrorTitle->setText(QString::fromStdU16String(shown.Heading));
    lbError->setText(QString::fromStdU16String(shown.Message));
}

QUrl TfErrorDlg::DownloadPageURL() {
    return QUrl(QString::fromLocal8Bit(vantrel::DownloadPageURL()));
}

void TfErrorDlg::lbWWWSiteClick() {
    FShellOpen(DownloadPageURL());
}

void TfErrorDlg::btnCloseClick() {
    close();
}

}  // namespace vantrel
