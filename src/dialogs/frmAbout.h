// The About window: the product's name, versions and description, and links
// to the maker's web pages.
#pragma once

#include <QDialog>
#include <QLabel>

class QFrame;
class QPushButton;
class cTabControl;

// A label that reads like a web link and reports a click.
class cLinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit cLinkLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    void Form_Load();

    // Where the developer link and the brand's address lead.
    static QString DeveloperURL();
    static QString NostrelURL();

    QFrame* picTitle = nullptr;
    QLabel* lblTitle = nullptr;
    cTabControl* cTabControl1 = nullptr;
    QWidget* picAbout = nullptr;
    QLabel* lblAppName = nullptr;
    QLabel* lblDesc = nullptr;
    QLabel* lblVersionInside = nullptr;
    cLinkLabel* lblHomePage = nullptr;
    cLinkLabel* lblSite = nullptr;
    cLinkLabel* lblSupport = nullptr;
    cLinkLabel* lblProducts = nullptr;
    cLinkLabel* lblDeveloper = nullptr;
    QLabel* lblNostrel = nullptr;
    cLinkLabel* lblNostrelAddress = nullptr;
    QPushButton* cmdOk = nullptr;

public slots:
    void cTabControl1_TabClick(int index);
    void lblHomePage_Click();
    void lblSite_Click();
    void lblSupport_Click();
    void lblProducts_Click();
    void lblDeveloper_Click();
    void lblNostrelAddress_Click();
    void cmdOk_Click();

private:
    void HideAboutPanels();
    void OpenLink(const QString& target);
};

namespace dialogs {
// The "About" command: shows the About window modally.
void ShowAbout(QWidget* owner);
} // namespace dialogs
