// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/test_registry.h"
#include "layout/clsresize.h"
#include "layout/line_control.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

// A screen of design size 800 x 600 inside a host of a chosen display size.
struct Rig
{
    explicit Rig(QSize display)
    {
        host.resize(display);
        form = new QWidget(&host);
        form->resize(800, 600);
    }
    QWidget host;
    QWidget* form;
};

class TestClsResize : public QObject
{
    Q_OBJECT
private slots:
    void sizesAndCentresToThreeQuarters()
    {
        Rig rig({1024, 768});
        clsResize resizer;
        resizer.setSourceForm(rig.form);
        QVERIFY(resizer.NeedsInitialise());
        resizer.SizeFormToScreen(75);
        QCOMPARE(rig.form->geometry(), QRect(128, 96, 768, 576));
        QCOMPARE(resizer.BaseWidth(), 800);
        QCOMPARE(resizer.BaseHeight(), 600);
        QVERIFY(!resizer.NeedsInitialise());
    }

    void tagRuleSelectsMeasures()
    {
        Rig rig({1600, 1200});
        auto* plain = new QLabel(rig.form);
        plain->setGeometry(100, 50, 200, 40);
        auto* keepsSize = new QLabel(rig.form);
        keepsSize->setGeometry(100, 50, 200, 40);
        keepsSize->setProperty("tag", "@lt");
        auto* wordTag = new QLabel(rig.form);
        wordTag->setGeometry(100, 50, 200, 40);
        wordTag->setProperty("tag", "xyz"); // no "@": everything scales
        auto* frozen = new QLabel(rig.form);
        frozen->setGeometry(100, 50, 200, 40);
        frozen->setProperty("tag", "@");
        clsResize resizer;
        resizer.setSourceForm(rig.form);
        resizer.SizeFormToScreen(100); // 800x600 -> 1600x1200: factor 2
        QCOMPARE(plain->geometry(), QRect(200, 100, 400, 80));
        QCOMPARE(keepsSize->geometry(), QRect(200, 100, 200, 40));
        QCOMPARE(wordTag->geometry(), QRect(200, 100, 400, 80));
        QCOMPARE(frozen->geometry(), QRect(100, 50, 200, 40));
    }

    void lineScalesByEndPointsAndTimerDoesNotStopTheLoop()
    {
        Rig rig({1600, 900});
        auto* before = new QLabel(rig.form);
        before->setGeometry(10, 10, 100, 100);
        new QTimer(rig.form); // no geometry
        auto* line = new LineControl(rig.form);
        line->setLine(100, 300, 700, 60);
        auto* after = new QLabel(rig.form);
        after->setGeometry(400, 300, 100, 100);
        clsResize resizer;
        resizer.setSourceForm(rig.form);
        QCOMPARE(resizer.controlCount(), 0);
        resizer.SizeFormToScreen(100); // horizontal 2, vertical 1.5
        QCOMPARE(resizer.controlCount(), 4);
        QCOMPARE(line->X1(), 200.0);
        QCOMPARE(line->Y1(), 450.0);
        QCOMPARE(line->X2(), 1400.0);
        QCOMPARE(line->Y2(), 90.0);
        QCOMPARE(after->geometry(), QRect(800, 450, 200, 150));
    }

    void repeatedResizesDoNotDriftAndRunTimeMovesAreUndone()
    {
        Rig rig({1000, 700});
        auto* label = new QLabel(rig.form);
        label->setGeometry(33, 77, 111, 55);
        QFont font = label->font();
        font.setPixelSize(20);
        label->setFont(font);
        clsResize resizer;
        resizer.setSourceForm(rig.form);
        resizer.SizeFormToScreen(75);
        for (int i = 0; i < 50; ++i) {
            rig.form->resize(797 + i * 13, 523 + i * 7);
            resizer.ResizeControls();
            label->move(5, 5); // a screen moving a control at run time
        }
        rig.form->resize(800, 600);
        resizer.ResizeControls();
        QCOMPARE(label->geometry(), QRect(33, 77, 111, 55));
        QCOMPARE(label->font().pixelSize(), 20);
        rig.form->resize(1600, 900); // fonts follow the smaller factor
        resizer.ResizeControls();
        QCOMPARE(label->font().pixelSize(), 30);
    }

    void movedControlKeepsItsPlaceAcrossResizes()
    {
        QWidget host;
        host.resize(1024, 768);
        auto* form = new QWidget(&host);
        form->resize(1024, 768);
        auto* picture = new QLabel(form);
        picture->setGeometry(32, 240, 300, 300);
        clsResize resizer;
        resizer.setSourceForm(form);
        resizer.SizeFormToScreen(100);
        auto* late = new QLabel(form); // made after the recording, as a dealt card may be
        late->setGeometry(10, 10, 100, 50);

        resizer.moveTo(picture, QPointF(692, 240));
        resizer.moveTo(late, QPointF(500.5, 600));
        QCOMPARE(picture->geometry(), QRect(692, 240, 300, 300));
        for (const QSize size : {QSize(1920, 1080), QSize(800, 600), QSize(1024, 768)}) {
            form->resize(size);
            resizer.ResizeControls();
            const double h = size.width() / 1024.0, v = size.height() / 768.0;
            QCOMPARE(picture->pos(), QPoint(qRound(692 * h), qRound(240 * v)));
            QCOMPARE(picture->size(), QSize(qRound(300 * h), qRound(300 * v)));
            QCOMPARE(late->pos(), QPoint(qRound(500.5 * h), qRound(600 * v)));
            QCOMPARE(resizer.designRect(picture), QRectF(692, 240, 300, 300));
        }
        QCOMPARE(late->size(), QSize(100, 50));

        resizer.restore(picture);
        form->resize(1920, 1080);
        resizer.ResizeControls();
        QCOMPARE(picture->pos(), QPoint(qRound(32 * 1.875), qRound(240 * 1.40625)));
    }

    void designAndWindowCoordinatesRoundTripWithinAPixel()
    {
        QWidget host;
        host.resize(1024, 768);
        auto* form = new QWidget(&host);
        form->resize(1024, 768);
        new QLabel(form);
        clsResize resizer;
        resizer.setSourceForm(form);
        resizer.SizeFormToScreen(100);
        for (const QSize size : {QSize(1920, 1080), QSize(800, 600), QSize(1366, 768), QSize(1023, 767)}) {
            form->resize(size);
            for (int x = 0; x < size.width(); x += 37) {
                for (int y = 0; y < size.height(); y += 41) {
                    const QPoint back = resizer.toWindow(resizer.toDesign(QPointF(x, y)));
                    QVERIFY2((back - QPoint(x, y)).manhattanLength() <= 1,
                             qPrintable(
                                 QStringLiteral("%1,%2 at %3x%4").arg(x).arg(y).arg(size.width()).arg(size.height())));
                }
            }
        }
    }

    void containerChildrenScaleInsideTheirContainer()
    {
        Rig rig({1600, 1200});
        auto* panel = new QWidget(rig.form);
        panel->setGeometry(400, 300, 200, 100);
        panel->setProperty("container", true);
        auto* inside = new QLabel(panel);
        inside->setGeometry(10, 20, 30, 40);
        clsResize resizer;
        resizer.setSourceForm(rig.form);
        resizer.SizeFormToScreen(100);
        QCOMPARE(panel->geometry(), QRect(800, 600, 400, 200));
        QCOMPARE(inside->geometry(), QRect(20, 40, 60, 80));
    }

    void nothingHappensBeforeRecordingOrWhenMinimised()
    {
        QWidget form;
        form.resize(400, 300);
        auto* label = new QLabel(&form);
        label->setGeometry(10, 10, 40, 40);
        clsResize resizer;
        resizer.setSourceForm(&form);
        form.resize(800, 600);
        QVERIFY(!resizer.ResizeControls()); // not recorded yet: left as designed
        QCOMPARE(label->geometry(), QRect(10, 10, 40, 40));
        resizer.ReInitialise();
        form.showMinimized();
        form.resize(1600, 1200);
        if (form.isMinimized())
            QVERIFY(!resizer.ResizeControls());
        form.showNormal();
        form.resize(1600, 1200);
        QVERIFY(resizer.ResizeControls());
        QCOMPARE(label->geometry(), QRect(20, 20, 80, 80));
    }

    void deletedControlIsSkipped()
    {
        Rig rig({800, 600});
        auto* gone = new QLabel(rig.form);
        auto* stays = new QLabel(rig.form);
        stays->setGeometry(10, 10, 10, 10);
        clsResize resizer;
        resizer.setSourceForm(rig.form);
        resizer.SizeFormToScreen(100);
        delete gone;
        rig.form->resize(1600, 1200);
        resizer.ResizeControls();
        QCOMPARE(stays->geometry(), QRect(20, 20, 20, 20));
    }
};

MUNCHORA_TEST(TestClsResize)
#include "test_clsresize.moc"
