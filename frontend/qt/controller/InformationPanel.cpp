#include "frontend/qt/controller/InformationPanel.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QUrl>

#include <algorithm>
#include <optional>
#include <string>

#include "frontend/qt/controller/MainWindowLook.h"
#include "frontend/qt/controller/ScrollBox.h"
#include "frontend/qt/controller/ShellOpen.h"
#include "frontend/qt/controls/TabedLabel.h"
#include "window/controller/TextTemplates.h"
#include "window/controller/WebAddress.h"

namespace vantrel {
namespace {

constexpr int kElementLeft = 8;
constexpr int kElementSpacing = 16;
// The boxes leave room for the scroll bar and a margin on the right.
constexpr int kBoxWidthReduction = 34;

QString FromLocal8Bit(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TInformationPanel::TInformationPanel(TScrollBox* box, QMenu* pmScrollBox, int& nextTop,
                                     QObject* parent)
    : QObject(parent), FBox(box), FMenu(pmScrollBox), FNextTop(nextTop) {}

QString TInformationPanel::FreeName(QStringView kind) const {
    // Elements are never removed, so this is the count of the kind so far;
    // searching keeps names unique should that ever change.
    for (int n = 0;; ++n) {
        QString name =
            kind.toString() + QLatin1Char('_') + QString::number(n) + QStringLiteral("_temp");
        if (!FBox->Content()->findChild<QObject*>(name, Qt::FindDirectChildrenOnly))
            return name;
    }
}

QLabel* TInformationPanel::AddSectionHeader(const QString& text, TColor color) {
    const QString name = FreeName(u"grlabel");
    auto* label = new QLabel(FBox->Content());
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->move(kElementLeft, FNextTop);
    label->setText(text);
    QFont font = label->font();
    font.setBold(true);
    font.setFamily(QStringLiteral("Microsoft Sans Serif"));
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, ResolveColor(color));
    label->setPalette(palette);
    label->adjustSize();
    label->show();
    // A panel that is not shown yet gets no geometry events from its elements.
    FBox->UpdateContentHeight();
    FNextTop += label->height() + kElementSpacing;
    return label;
}

TTabedLabel* TInformationPanel::AddSection(const QString& caption, const std::string& text) {
    const QString name = FreeName(u"tlabel");
    const int width = std::max(0, FBox->width() - kBoxWidthReduction);
    auto* box = new TTabedLabel(FBox->Content());
    box->setObjectName(name);
    box->setGeometry(kElementLeft, FNextTop, width, box->height());
    box->SetCaption(caption);
    box->SetText(FromLocal8Bit(text));
    LookOfSectionBox(*box);
    // The shared look sets the designed width; a panel of another width
    // keeps its own margin, and the box measures its text again.
    if (box->width() != width) {
        box->resize(width, box->height());
        box->AdjustHeight();
    }
    box->SetPopupMenu(FMenu);
    // The menu is opened here rather than by the box, so that "Copy text"
    // knows which box it belongs to.
    box->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(box, &QWidget::customContextMenuRequested, this,
            [this, box](const QPoint& pos) { PopupFor(box, box->mapToGlobal(pos)); });
    box->show();
    FBox->UpdateContentHeight();
    FNextTop += box->height() + kElementSpacing;
    return box;
}

void TInformationPanel::Fill(const std::vector<TInformationElement>& elements) {
    for (const TInformationElement& element : elements) {
        if (element.Heading)
            AddSectionHeader(QString::fromStdU16String(element.Text), element.Color);
        else
            AddSection(QString::fromStdU16String(element.Text), element.Body);
    }
}

void TInformationPanel::PopupFor(QObject* component, QPoint globalPos) {
    FPopupComponent = component;
    if (FMenu)
        FMenu->popup(globalPos);
}

void TInformationPanel::miCopyTextClick() {
    auto* box = qobject_cast<TTabedLabel*>(FPopupComponent.data());
    if (!box)
        return;
    QGuiApplication::clipboard()->setText(box->Caption() + QStringLiteral("\r\n") + box->Text());
}

bool ShowsWebSite(const std::string& url) {
    return WebSiteAddress(url).has_value();
}

QString WebSiteHint(const QString& format, const std::string& url) {
    return QString::fromStdU16String(FormatText(format.toStdU16String(), {LocalText(url)}));
}

QString PlainToolTip(const QString& text) {
    QString html = text.toHtmlEscaped();
    html.replace(QStringLiteral("\r\n"), QStringLiteral("<br>"));
    html.replace(u'\n', QStringLiteral("<br>"));
    html.remove(u'\r');
    return QStringLiteral("<p style='white-space:pre'>") + html + QStringLiteral("</p>");
}

bool OpenURL(const std::string& address) {
    const std::optional<std::string> site = WebSiteAddress(address);
    return site && ShellOpen(QUrl(QString::fromStdString(*site)));
}

}  // namespace vantrel
