// SPDX-License-Identifier: GPL-3.0-or-later
#include "layout/clsresize.h"

#include "layout/line_control.h"

#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QVariant>

#include <cmath>

namespace {

struct Measures
{
    bool left = true, top = true, width = true, height = true;
};

// The tag rule: only a tag that begins with "@" limits what is scaled.
Measures measuresFor(const QObject* control)
{
    const QString tag = control->property("tag").toString().toUpper();
    Measures m;
    if (!tag.startsWith(QLatin1Char('@')))
        return m;
    m.left = tag.contains(QLatin1Char('L'));
    m.top = tag.contains(QLatin1Char('T'));
    m.width = tag.contains(QLatin1Char('W'));
    m.height = tag.contains(QLatin1Char('H'));
    return m;
}

int roundEven(double value)
{
    return static_cast<int>(std::nearbyint(value)); // default rounding mode: ties to even
}

} // namespace

clsResize::clsResize() = default;

clsResize::~clsResize()
{
    Positions.clear();
    sourceForm_ = nullptr;
}

QSize clsResize::displaySize(const QWidget* form)
{
    if (form->parentWidget())
        return form->parentWidget()->size();
    const QScreen* screen = form->screen() ? form->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize(1024, 768);
}

void clsResize::collect(QObject* parent, bool topLevel)
{
    for (QObject* child : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && widget->isWindow())
            continue; // a dialog parented to the screen is not one of its controls
        if (!widget && !topLevel)
            continue; // inside a container only the controls count
        ControlPosition entry;
        entry.control = child;
        if (auto* line = qobject_cast<LineControl*>(child)) {
            entry.line = true;
            entry.geometric = true;
            entry.first = roundEven(line->X1());
            entry.second = roundEven(line->Y1());
            entry.third = roundEven(line->X2());
            entry.fourth = roundEven(line->Y2());
        } else if (widget) {
            const QRect g = widget->geometry();
            entry.geometric = true;
            entry.first = g.x();
            entry.second = g.y();
            entry.third = g.width();
            entry.fourth = g.height();
            entry.font = widget->font();
            entry.hasFont = true;
        }
        // Anything else (a timer, an action) has no geometry and keeps zeros.
        Positions.push_back(entry);
        if (widget && widget->property("container").toBool())
            collect(widget, false);
    }
}

void clsResize::Initialise()
{
    Positions.clear();
    if (!sourceForm_) {
        needsInitialise_ = true;
        return;
    }
    baseWidth_ = sourceForm_->width();
    baseHeight_ = sourceForm_->height();
    collect(sourceForm_, true);
    needsInitialise_ = false;
}

void clsResize::SizeFormToScreen(quint8 percent)
{
    if (needsInitialise_)
        Initialise();
    if (!sourceForm_)
        return;
    const QSize screen = displaySize(sourceForm_);
    const int newHeight = static_cast<int>(std::floor(percent / 100.0 * screen.height()));
    const int newWidth = static_cast<int>(std::floor(percent / 100.0 * screen.width()));
    const double top = (screen.height() - newHeight) / 2.0;
    const double left = (screen.width() - newWidth) / 2.0;
    sourceForm_->setGeometry(qRound(left), qRound(top), newWidth, newHeight);
    ResizeControls();
}

bool clsResize::ResizeControls()
{
    if (!sourceForm_ || Positions.empty() || needsInitialise_)
        return false;
    if (sourceForm_->window()->isMinimized())
        return false;
    if (baseWidth_ <= 0 || baseHeight_ <= 0)
        return false;

    // Suspend drawing so a full screen of controls moves in one visible step.
    const bool updatesWereEnabled = sourceForm_->updatesEnabled();
    sourceForm_->setUpdatesEnabled(false);

    const double vertical = double(sourceForm_->height()) / baseHeight_;
    const double horizontal = double(sourceForm_->width()) / baseWidth_;
    const double fontFactor = std::min(vertical, horizontal);

    for (const ControlPosition& entry : Positions)
        place(entry, horizontal, vertical, fontFactor);

    sourceForm_->setUpdatesEnabled(updatesWereEnabled);
    return true;
}

void clsResize::place(const ControlPosition& entry, double horizontal, double vertical, double fontFactor)
{
    if (!entry.control || !entry.geometric)
        return;
    const Measures m = measuresFor(entry.control);
    if (entry.line) {
        auto* line = static_cast<LineControl*>(entry.control.data());
        line->setLine(m.left ? entry.first * horizontal : line->X1(), m.top ? entry.second * vertical : line->Y1(),
                      m.width ? entry.third * horizontal : line->X2(), m.height ? entry.fourth * vertical : line->Y2());
        return;
    }
    auto* widget = static_cast<QWidget*>(entry.control.data());
    const QRect current = widget->geometry();
    const double left = entry.moved ? entry.movedTo.x() : entry.first;
    const double top = entry.moved ? entry.movedTo.y() : entry.second;
    // A moved control follows the form even where its tag freezes its place.
    const int x = m.left || entry.moved ? qRound(left * horizontal) : current.x();
    const int y = m.top || entry.moved ? qRound(top * vertical) : current.y();
    const int w = m.width ? qRound(entry.third * horizontal) : current.width();
    const int h = m.height ? qRound(entry.fourth * vertical) : current.height();
    widget->setGeometry(x, y, w, h);
    if (entry.hasFont && (m.width || m.height)) {
        QFont font = entry.font;
        if (entry.font.pixelSize() > 0)
            font.setPixelSize(std::max(1, qRound(entry.font.pixelSize() * fontFactor)));
        else if (entry.font.pointSizeF() > 0)
            font.setPointSizeF(std::max(1.0, entry.font.pointSizeF() * fontFactor));
        widget->setFont(font);
    }
    // Fixed borders and rounding make a small menu bar's entries a pixel taller than the bar,
    // and a menu bar hides entries that do not fit behind a "more" button: "Go back" would vanish.
    if (auto* bar = qobject_cast<QMenuBar*>(widget)) {
        const int needed = bar->sizeHint().height();
        if (needed > bar->height())
            bar->resize(bar->width(), needed);
    }
}

clsResize::ControlPosition* clsResize::find(const QObject* control)
{
    for (ControlPosition& entry : Positions)
        if (entry.control == control)
            return &entry;
    return nullptr;
}

const clsResize::ControlPosition* clsResize::find(const QObject* control) const
{
    return const_cast<clsResize*>(this)->find(control);
}

double clsResize::horizontal() const
{
    if (!sourceForm_ || needsInitialise_ || baseWidth_ <= 0)
        return 1.0;
    return double(sourceForm_->width()) / baseWidth_;
}

double clsResize::vertical() const
{
    if (!sourceForm_ || needsInitialise_ || baseHeight_ <= 0)
        return 1.0;
    return double(sourceForm_->height()) / baseHeight_;
}

QPoint clsResize::toWindow(QPointF designPoint) const
{
    // The same factors and rounding as a resize, so moved controls line up with the rest.
    return {qRound(designPoint.x() * horizontal()), qRound(designPoint.y() * vertical())};
}

QRect clsResize::toWindow(const QRectF& designRect) const
{
    const QPoint topLeft = toWindow(designRect.topLeft());
    return {topLeft, QSize(qRound(designRect.width() * horizontal()), qRound(designRect.height() * vertical()))};
}

QPointF clsResize::toDesign(QPointF windowPoint) const
{
    return {windowPoint.x() / horizontal(), windowPoint.y() / vertical()};
}

QRectF clsResize::designRect(const QWidget* control) const
{
    if (const ControlPosition* entry = find(control); entry && entry->geometric && !entry->line) {
        const QPointF topLeft = entry->moved ? entry->movedTo : QPointF(entry->first, entry->second);
        return {topLeft, QSizeF(entry->third, entry->fourth)};
    }
    const QRect g = control->geometry();
    return {toDesign(g.topLeft()), QSizeF(g.width() / horizontal(), g.height() / vertical())};
}

void clsResize::moveTo(QWidget* control, QPointF designTopLeft)
{
    ControlPosition* entry = find(control);
    if (!entry) {
        const QRectF design = designRect(control);
        ControlPosition added;
        added.control = control;
        added.geometric = true;
        added.first = roundEven(design.x());
        added.second = roundEven(design.y());
        added.third = roundEven(design.width());
        added.fourth = roundEven(design.height());
        Positions.push_back(added);
        entry = &Positions.back();
    }
    entry->moved = true;
    entry->movedTo = designTopLeft;
    if (!needsInitialise_)
        control->move(toWindow(designTopLeft));
}

void clsResize::restore(QWidget* control)
{
    ControlPosition* entry = find(control);
    if (!entry || !entry->moved)
        return;
    entry->moved = false;
    if (!needsInitialise_)
        control->move(toWindow(QPointF(entry->first, entry->second)));
}
