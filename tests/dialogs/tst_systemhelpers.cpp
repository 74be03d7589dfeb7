// Window helpers: translucency, on top, icons, the pointer position.
#include "TestEnv.h"

#include "dialogs/mdlMouseClick.h"
#include "dialogs/mdlOnTop.h"
#include "dialogs/mdlSetFormIcon32.h"
#include "dialogs/mdlTransparent.h"

#include <QApplication>
#include <QCursor>
#include <QImage>
#include <QWidget>
#include <QtTest>

using namespace dialogs;

class tst_systemhelpers : public QObject {
    Q_OBJECT
private slots:
    void windowAlpha() {
        QWidget w;
        QCOMPARE(SetWindowAlpha(&w, 128), 0);
        QCOMPARE(w.windowOpacity(), 128 / 255.0);
        QCOMPARE(SetWindowAlpha(&w, 256), 1);
        QCOMPARE(SetWindowAlpha(&w, -1), 1);
        QCOMPARE(w.windowOpacity(), 128 / 255.0); // unchanged
        QCOMPARE(SetWindowAlpha(&w, 255), 0);
        QCOMPARE(w.windowOpacity(), 1.0);
        QCOMPARE(SetWindowAlpha(&w, 0), 0);
        QCOMPARE(ClearWindowAlpha(&w), 0);
        QCOMPARE(w.windowOpacity(), 1.0);
        QCOMPARE(SetWindowAlpha(nullptr, 10), 2);
        QCOMPARE(ClearWindowAlpha(nullptr), 2);
    }

    void windowOnTop() {
        QWidget w;
        w.setGeometry(100, 120, 300, 200);
        SetWindowOnTop(&w, false); // a hidden window is shown
        QVERIFY(w.isVisible());
        QVERIFY(!w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        const QRect geometry = w.geometry();

        SetWindowOnTop(&w, true);
        QVERIFY(w.isVisible());
        QVERIFY(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(w.geometry(), geometry);

        SetWindowOnTop(&w, false);
        QVERIFY(w.isVisible());
        QVERIFY(!w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(w.geometry(), geometry);
    }

    void formIcons() {
        testsupport::TestEnv env(false);
        QDir().mkpath(env.home() + "/icons");
        for (int size : {16, 32}) {
            QImage image(size, size, QImage::Format_ARGB32);
            image.fill(Qt::red);
            QVERIFY(image.save(QString("%1/icons/GEARS_%2.png").arg(env.home()).arg(size)));
        }
        const QIcon gears = LoadFormIcon("gears"); // case does not matter
        QVERIFY(!gears.isNull());
        QCOMPARE(gears.availableSizes().size(), 2);
        QVERIFY(LoadFormIcon("text_align_left").isNull()); // no such group
        QVERIFY(LoadFormIcon("gear").isNull());

        QWidget w;
        SetFormIcon(&w, "gears", true);
        QCOMPARE(w.windowIcon().availableSizes().size(), 2);
        QApplication::setWindowIcon(QIcon());
    }

    void installedIconGroups() {
        testsupport::TestEnv env(false);
        for (const char* name : {"AAA", "gears", "document_pulse", "cd_music", "replace2", "cut", "colors",
                                 "document_music", "MICROPHONE2"})
            QVERIFY2(!LoadFormIcon(name).isNull(), name);
    }

    void mousePos() {
        QCursor::setPos(12, 34);
        qint32 x = -1, y = -1;
        GetMousePos(x, y);
        QCOMPARE(x, 12);
        QCOMPARE(y, 34);
    }
};

QTEST_MAIN(tst_systemhelpers)
#include "tst_systemhelpers.moc"
