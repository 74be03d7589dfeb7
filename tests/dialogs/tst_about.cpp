#include "TestEnv.h"

#include "controls/cTabControl.h"
#include "core/mdlModes.h"
#include "dialogs/frmAbout.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class tst_about : public QObject {
    Q_OBJECT
private slots:
    void textsFromIdentity() {
        testsupport::TestEnv env;
        core::InitModes();
        frmAbout about;
        about.Form_Load();

        QCOMPARE(about.windowTitle(), QString("About"));
        QCOMPARE(about.lblTitle->text(), QString("Corvane 1.2"));
        QCOMPARE(about.lblAppName->text(), QString("Corvane 1.2"));
        QCOMPARE(about.lblHomePage->text(), QString("Corvane 1.2 - Home Page"));
        QCOMPARE(about.lblSite->text(), core::g_sSiteURL);
        QCOMPARE(about.lblVersionInside->text(), QString("Inside version: 1.2.1"));
        QCOMPARE(about.lblDesc->text(), core::g_sProductDescription);
        QCOMPARE(about.lblSupport->text(), QString("Support"));
        QCOMPARE(about.lblProducts->text(), QString("More Products..."));

        QCOMPARE(about.cTabControl1->TabCount(), 1);
        QCOMPARE(about.cTabControl1->TabCaption(1), QString("About   "));
        QCOMPARE(about.cTabControl1->TabKey(1), QString("About"));
        about.show();
        QVERIFY(about.picAbout->isVisible());
        // Clicking the only tab again keeps the page.
        about.cTabControl1_TabClick(1);
        QVERIFY(about.picAbout->isVisible());

        about.cmdOk_Click();
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    void linksOpenTheirTargets_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("target");
        const QString site = "https://corvane.example.org";
        QTest::newRow("home page") << "lblHomePage" << site + "/";
        QTest::newRow("site") << "lblSite" << site;
        QTest::newRow("support") << "lblSupport" << site + "/support.html";
        QTest::newRow("products") << "lblProducts" << site + "/products.html";
        QTest::newRow("developer") << "lblDeveloper" << frmAbout::DeveloperURL();
        QTest::newRow("brand address") << "lblNostrelAddress" << frmAbout::NostrelURL();
    }
    void linksOpenTheirTargets() {
        QFETCH(QString, label);
        QFETCH(QString, target);
        testsupport::TestEnv env;
        core::InitModes();
        frmAbout about;
        about.Form_Load();
        about.show();
        auto* link = about.findChild<cLinkLabel*>(label);
        QVERIFY(link);
        // A real click on the label runs its handler.
        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(env.services().openedUrls, QList<QUrl>({QUrl(target)}));
    }
};

QTEST_MAIN(tst_about)
#include "tst_about.moc"
