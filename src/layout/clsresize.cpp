#include "layout/clsresize.h"

#include "layout/line_control.h"

#include <QGuiApplication>
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

    for (const ControlPosition& entry : Positions) {
        if (!entry.control || !entry.geometric)
            continue;
        const Measures m = measuresFor(entry.control);
        if (entry.line) {
            auto* line = static_cast<LineControl*>(entry.control.data());
            line->setLine(m.left ? entry.first * horizontal : line->X1(),
                          m.top ? entry.second * vertical : line->Y1(),
                          m.width ? entry.third * horizontal : line->X2(),
                          m.height ? entry.fourth * vertical : line->Y2());
            continue;
        }
        auto* widget = static_cast<QWidget*>(entry.control.data());
        const QRect current = widget->geometry();
        const int x = m.left ? qRound(entry.first * horizontal) : current.x();
        const int y = m.top ? qRound(entry.second * vertical) : current.y();
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
    }

    sourceForm_->setUpdatesEnabled(updatesWereEnabled);
    return true;
}
