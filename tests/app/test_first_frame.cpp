// SPDX-License-Identifier: GPL-3.0-or-later
// What the first frame is made of, drawn the cheap way, must look as it did: the splash's
// title with its white edge at every size, backgrounds blending top to bottom, pictures decoded
// as Qt's reader decodes them.

#include "helpers/screen_rig.h"
#include "helpers/test_registry.h"
#include "home/splash.h"
#include "screens.h"
#include "settings/modulo1.h"
#include "shell/app_window.h"
#include "widgets/gradient_background.h"
#include "widgets/pictures.h"

#include <QImageReader>
#include <QLabel>
#include <QTest>

namespace {

struct Counts
{
    int title = 0; // the title's orange
    int edge = 0;  // white
};

Counts countColours(const QImage& image)
{
    Counts counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - 0xe8) < 12 && qAbs(c.green() - 0x54) < 12 && qAbs(c.blue() - 0x2f) < 12)
                ++counts.title;
            else if (c.red() > 245 && c.green() > 245 && c.blue() > 245)
                ++counts.edge;
        }
    return counts;
}

bool near(const QColor& a, const QColor& b, int tolerance = 3)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
        && qAbs(a.blue() - b.blue()) <= tolerance;
}

} // namespace

class TestFirstFrame : public QObject
{
    Q_OBJECT
private slots:
    void splashTitleKeepsItsEdgeAtEverySize()
    {
        ScreenRig rig;
        rig.random.push({ScriptedRandom::word(1), ScriptedRandom::word(2), ScriptedRandom::word(3)});
        rig.window.showScreen(newFormAvvio());
        auto* splash = qobject_cast<FormAvvio*>(rig.window.currentScreen());
        QVERIFY(splash);
        const Counts small = countColours(splash->Label2->grab().toImage());
        QVERIFY2(small.title > 2000, qPrintable(QString::number(small.title)));
        QVERIFY2(small.edge > 200, qPrintable(QString::number(small.edge)));

        // Twice the size: letters and edge are drawn anew, not the small picture kept.
        rig.window.resize(2048, 1536);
        QTRY_COMPARE(splash->size(), QSize(2048, 1536));
        const Counts large = countColours(splash->Label2->grab().toImage());
        QVERIFY2(large.title > small.title * 3, qPrintable(QString("%1 -> %2").arg(small.title).arg(large.title)));
        QVERIFY2(large.edge > small.edge * 3 / 2, qPrintable(QString("%1 -> %2").arg(small.edge).arg(large.edge)));
    }

    // The window beneath the splash is not painted at all: the background must cover it.
    void splashBackgroundCoversTheWholeScreen_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("design") << QSize(1024, 768);
        QTest::newRow("full HD") << QSize(1920, 1080);
        QTest::newRow("odd window") << QSize(1001, 577);
    }

    void splashBackgroundCoversTheWholeScreen()
    {
        QFETCH(QSize, size);
        ScreenRig rig(size);
        rig.random.push({ScriptedRandom::word(4), ScriptedRandom::word(5), ScriptedRandom::word(6)});
        rig.window.showScreen(newFormAvvio());
        auto* splash = qobject_cast<FormAvvio*>(rig.window.currentScreen());
        QVERIFY(splash);
        QTRY_COMPARE(splash->size(), size);
        QVERIFY(splash->ARGradient1->testAttribute(Qt::WA_OpaquePaintEvent));
        QCOMPARE(splash->ARGradient1->geometry(), splash->rect());
    }

    void backgroundBlendsTopToBottomInPlainRows()
    {
        GradientBackground background;
        const QColor top(0x9e, 0xdc, 0xff), bottom(0xff, 0xf0, 0xb3);
        background.setColors(top, bottom);
        background.resize(300, 400);
        const QImage image = background.grab().toImage();
        QVERIFY(near(image.pixelColor(0, 0), top));
        QVERIFY(near(image.pixelColor(299, 399), bottom));
        const QColor middle = image.pixelColor(150, 200);
        QVERIFY(near(middle,
                     QColor((top.red() + bottom.red()) / 2, (top.green() + bottom.green()) / 2,
                            (top.blue() + bottom.blue()) / 2)));
        for (int y : {0, 123, 399})
            QCOMPARE(image.pixelColor(299, y), image.pixelColor(0, y));
        // A part repainted alone matches the whole.
        const QImage part = background.grab(QRect(100, 150, 50, 60)).toImage();
        QCOMPARE(part.pixelColor(10, 20), image.pixelColor(110, 170));
    }

    void picturesDecodeAsQtsReaderDoes()
    {
        ScreenRig rig;
        PictureLoader& loader = PictureLoader::instance();
        loader.clearCache();
        const QString apple = Modulo1::picturePath(QStringLiteral("apple"));
        const QImage expected = QImageReader(apple).read().convertToFormat(QImage::Format_RGB32);
        QVERIFY(!expected.isNull());
        const QImage got = loader.picture(QStringLiteral("apple"));
        QCOMPARE(got.size(), expected.size());
        QCOMPARE(got.format(), expected.format());
        int differing = 0;
        for (int y = 0; y < got.height(); ++y)
            for (int x = 0; x < got.width(); ++x)
                differing += got.pixel(x, y) != expected.pixel(x, y);
        QCOMPARE(differing, 0);

        loader.clearCache();
    }
};

MUNCHORA_TEST(TestFirstFrame)
#include "test_first_frame.moc"
