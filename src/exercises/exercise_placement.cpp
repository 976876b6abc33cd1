// SPDX-License-Identifier: GPL-3.0-or-later
// Where a screen's controls stand: moved in design coordinates, kept there by the screen's scaler.
#include "exercises/exercise_screen.h"
#include "layout/clsresize.h"
#include "settings/random_source.h"
#include "widgets/number_text.h"

QRectF ExerciseScreen::designRect(const QWidget* control) const
{
    if (const clsResize* resizer = scaler())
        return resizer->designRect(control);
    return QRectF(control->geometry());
}

QPointF ExerciseScreen::designPosition(const QWidget* control) const
{
    return designRect(control).topLeft();
}

void ExerciseScreen::placeControl(QWidget* control, QPointF designTopLeft)
{
    if (clsResize* resizer = scaler())
        resizer->moveTo(control, designTopLeft);
    else
        control->move(designTopLeft.toPoint()); // not fitted yet: design and window agree
}

void ExerciseScreen::dealToPlaces(const std::vector<QWidget*>& controls, const std::function<void(int, int)>& put)
{
    const int n = int(controls.size());
    for (QWidget* control : controls)
        control->setProperty("tag", QString());
    for (int place = 0; place < n; ++place) {
        int c = RandomChoice(n);
        while (!controls[size_t(c)]->property("tag").toString().isEmpty())
            c = (c + 1) % n;
        put(c, place);
        controls[size_t(c)]->setProperty("tag", NumberText(place));
    }
}

void ExerciseScreen::clearPlacement(QWidget* control)
{
    if (clsResize* resizer = scaler())
        resizer->restore(control);
}
