#include "dialogs/frmAbout.h"

#include "controls/ControlColor.h"
#include "controls/cTabControl.h"
#include "core/Services.h"
#include "core/mdlModes.h"
#include "dialogs/MainWindowHost.h"
#include "dialogs/WindowChrome.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {
constexpr int kTwipsPerPixel = 15;

} // namespace

cLinkLabel::cLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setCursor(Qt::PointingHandCursor);
    QFont linkFont = font();
    linkFont.setUnderline(true);
    setFont(linkFont);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Link));
    setPalette(palette);
}

void cLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
}

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName("frmAbout");
    setWindowTitle("About");
    QFont font("Tahoma");
    font.setPointSize(8);
    setFont(font);
    setFixedSize(5820 / kTwipsPerPixel, 5055 / kTwipsPerPixel);

    picTitle = new QFrame(this);
    picTitle->setObjectName("picTitle");
    picTitle->setGeometry(0, 0, width(), 30);
    lblTitle = new QLabel(picTitle);
    lblTitle->setObjectName("lblTitle");
    lblTitle->setGeometry(8, 0, width() - 16, 30);
    QFont titleFont = font;
    titleFont.setBold(true);
    titleFont.setPointSize(10);
    lblTitle->setFont(titleFont);

    cTabControl1 = new cTabControl(this);
    cTabControl1->setObjectName("cTabControl1");
    cTabControl1->setGeometry(6, 36, width() - 12, height() - 36 - 40);

    picAbout = new QWidget(this);
    picAbout->setObjectName("picAbout");
    picAbout->setVisible(false);
    auto* page = new QVBoxLayout(picAbout);
    lblAppName = new QLabel(picAbout);
    lblAppName->setObjectName("lblAppName");
    QFont nameFont = font;
    nameFont.setBold(true);
    lblAppName->setFont(nameFont);
    lblDesc = new QLabel(picAbout);
    lblDesc->setObjectName("lblDesc");
    lblDesc->setWordWrap(true);
    lblVersionInside = new QLabel("Inside version:", picAbout);
    lblVersionInside->setObjectName("lblVersionInside");
    lblHomePage = new cLinkLabel("Home Page", picAbout);
    lblHomePage->setObjectName("lblHomePage");
    lblSite = new cLinkLabel("Site", picAbout);
    lblSite->setObjectName("lblSite");
    lblSupport = new cLinkLabel("Support", picAbout);
    lblSupport->setObjectName("lblSupport");
    lblProducts = new cLinkLabel("More Products...", picAbout);
    lblProducts->setObjectName("lblProducts");
    lblDeveloper = new cLinkLabel("Developer? - Click here for this product ActiveX", picAbout);
    lblDeveloper->setObjectName("lblDeveloper");
    lblNostrel = new QLabel("Nostrel - sound software made simple", picAbout);
    lblNostrel->setObjectName("lblNostrel");
    lblNostrelAddress = new cLinkLabel(NostrelURL(), picAbout);
    lblNostrelAddress->setObjectName("lblNostrelAddress");
    page->addWidget(lblAppName);
    page->addWidget(lblDesc);
    page->addWidget(lblVersionInside);
    page->addSpacing(8);
    for (QLabel* link :
         {static_cast<QLabel*>(lblHomePage), static_cast<QLabel*>(lblSite), static_cast<QLabel*>(lblSupport),
          static_cast<QLabel*>(lblProducts), static_cast<QLabel*>(lblDeveloper)})
        page->addWidget(link);
    page->addStretch();
    page->addWidget(lblNostrel);
    page->addWidget(lblNostrelAddress);

    cmdOk = new QPushButton("OK", this);
    cmdOk->setObjectName("cmdOk");
    cmdOk->setDefault(true);
    cmdOk->setGeometry(width() - 6 - 90, height() - 32, 90, 26);

    connect(cTabControl1, &cTabControl::TabClick, this, &frmAbout::cTabControl1_TabClick);
    connect(lblHomePage, &cLinkLabel::clicked, this, &frmAbout::lblHomePage_Click);
    connect(lblSite, &cLinkLabel::clicked, this, &frmAbout::lblSite_Click);
    connect(lblSupport, &cLinkLabel::clicked, this, &frmAbout::lblSupport_Click);
    connect(lblProducts, &cLinkLabel::clicked, this, &frmAbout::lblProducts_Click);
    connect(lblDeveloper, &cLinkLabel::clicked, this, &frmAbout::lblDeveloper_Click);
    connect(lblNostrelAddress, &cLinkLabel::clicked, this, &frmAbout::lblNostrelAddress_Click);
    connect(cmdOk, &QPushButton::clicked, this, &frmAbout::cmdOk_Click);
}

QString frmAbout::DeveloperURL() {
    return core::g_sSiteURL + "/developer.html";
}

QString frmAbout::NostrelURL() {
    return QStringLiteral("https://nostrel.example.org");
}

void frmAbout::Form_Load() {
    dialogs::chrome::ApplyTitleStrip(picTitle, {lblTitle});
    const QString nameAndVersion = core::AppTitle();
    lblAppName->setText(nameAndVersion);
    lblTitle->setText(nameAndVersion);
    lblHomePage->setText(nameAndVersion + " - Home Page");
    lblSite->setText(core::g_sSiteURL);
    lblVersionInside->setText(lblVersionInside->text() + " " + core::g_sInsideVersion);
    lblDesc->setText(core::g_sProductDescription);

    if (dialogs::MainWindowHost* host = dialogs::mainWindowHost())
        cTabControl1->setImageList(host->menuImages());
    cTabControl1->AddTab("About   ", 18, 1, "About");
    // The page lies over the tab control's page area.
    const QRect client = cTabControl1->ClientRect();
    picAbout->setGeometry(client.left() - 50 / kTwipsPerPixel, client.top(),
                          client.width() + 50 / kTwipsPerPixel, client.height());
    picAbout->raise();
    HideAboutPanels();
    picAbout->setVisible(true);
}

void frmAbout::HideAboutPanels() {
    picAbout->setVisible(false);
}

void frmAbout::cTabControl1_TabClick(int /*index*/) {
    HideAboutPanels();
    if (cTabControl1->TabKey(cTabControl1->SelectedTab()) == QLatin1String("About"))
        picAbout->setVisible(true);
}

void frmAbout::OpenLink(const QString& target) {
    // A link that cannot be opened does nothing.
    core::services().openUrl(QUrl(target));
}

void frmAbout::lblHomePage_Click() {
    OpenLink(core::g_sHomePageURL);
}
void frmAbout::lblSite_Click() {
    OpenLink(core::g_sSiteURL);
}
void frmAbout::lblSupport_Click() {
    OpenLink(core::g_sSupportURL);
}
void frmAbout::lblProducts_Click() {
    OpenLink(core::g_sSiteURL + "/products.html");
}
void frmAbout::lblDeveloper_Click() {
    OpenLink(DeveloperURL());
}
void frmAbout::lblNostrelAddress_Click() {
    OpenLink(lblNostrelAddress->text());
}

void frmAbout::cmdOk_Click() {
    accept();
}

namespace dialogs {

void ShowAbout(QWidget* owner) {
    frmAbout window(owner);
    window.Form_Load();
    window.exec();
}

} // namespace dialogs
