// SPDX-License-Identifier: GPL-3.0-or-later
// On a screen of two device pixels per pixel (a 4K whiteboard at 200 %) the mouth and the
// pictures are drawn as sharp as the text, not blown up from pictures made for half the pixels.

#include "helpers/fakes.h"
#include "helpers/test_registry.h"
#include "widgets/bocca.h"
#include "widgets/frame_widgets.h"
#include "widgets/pictures.h"

#include <QImage>
#include <QTest>

namespace {

// The pixels of a widget's outline, rendered alone on a clear image at a pixel ratio: neither
// clear nor solid. A sharp outline is one device pixel wide, so their number grows with the
// ratio; a picture blown up from the logical size has every such pixel doubled both ways.
int outlinePixels(QWidget* widget, qreal ratio)
{
    QImage image(widget->size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    int outline = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(image.pixel(x, y));
            outline += alpha > 70 && alpha < 250; // not the mouth's soft shadow (55)
        }
    return outline;
}

} // namespace

class TestDevicePixels : public QObject
{
    Q_OBJECT
private slots:
    void mouthAndPicturesAreSharpAtTwiceThePixels()
    {
        RecordingSpeechService speech;
        Bocca mouth(QStringLiteral("Form2"));
        mouth.resize(130, 130);
        ScorePanel panel; // its yes icon: a picture box showing a picture scaled to fit
        PictureBox* icon = panel.ComandoIconaSi;
        icon->show();
        for (QWidget* widget : {static_cast<QWidget*>(&mouth), static_cast<QWidget*>(icon)}) {
            const int atOne = outlinePixels(widget, 1);
            const int atTwo = outlinePixels(widget, 2);
            QVERIFY(atOne > 50);
            const QByteArray seen = widget->accessibleName().toUtf8() + ": " + QByteArray::number(atOne)
                + " outline pixels at ratio 1, " + QByteArray::number(atTwo) + " at 2";
            QVERIFY2(atTwo < 3 * atOne, seen.constData());
        }
    }
};

MUNCHORA_TEST(TestDevicePixels)
#include "test_device_pixels.moc"
