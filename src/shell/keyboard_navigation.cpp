// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/keyboard_navigation.h"

#include "shell/clickable.h"

#include <QEvent>
#include <QMenuBar>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

QRect rectIn(const QWidget* root, const QWidget* widget)
{
    return QRect(widget->mapTo(root, QPoint(0, 0)), widget->size());
}

struct Placed
{
    QWidget* widget;
    QRect rect;
};

// Rows from top to bottom, each from left to right. A control joins a row when its middle
// lies within the height of the row's first control, so a small control beside a big picture
// is read with it, not before it.
void sortIntoReadingOrder(std::vector<Placed>& placed)
{
    std::stable_sort(placed.begin(), placed.end(),
                     [](const Placed& a, const Placed& b) { return a.rect.center().y() < b.rect.center().y(); });
    std::vector<Placed> ordered;
    ordered.reserve(placed.size());
    size_t start = 0;
    while (start < placed.size()) {
        const QRect& first = placed[start].rect;
        size_t end = start + 1;
        while (end < placed.size() && placed[end].rect.center().y() <= first.bottom())
            ++end;
        std::stable_sort(placed.begin() + long(start), placed.begin() + long(end),
                         [](const Placed& a, const Placed& b) { return a.rect.center().x() < b.rect.center().x(); });
        ordered.insert(ordered.end(), placed.begin() + long(start), placed.begin() + long(end));
        start = end;
    }
    placed.swap(ordered);
}

std::vector<Placed> placedControls(const QWidget* root, const QWidget* extra)
{
    std::vector<Placed> placed;
    const QList<QWidget*> all = root->findChildren<QWidget*>();
    for (QWidget* widget : all) {
        if (widget == extra || isKeyboardControl(widget, root))
            placed.push_back({widget, rectIn(root, widget)});
    }
    sortIntoReadingOrder(placed);
    return placed;
}

} // namespace

bool isKeyboardControl(const QWidget* widget, const QWidget* root)
{
    if (const auto* control = qobject_cast<const Clickable*>(widget); control && !control->isClickable())
        return false; // nothing would answer its press
    return widget && root && widget != root && root->isAncestorOf(widget) && widget->isEnabled()
        && widget->isVisibleTo(root) && (widget->focusPolicy() & Qt::TabFocus) && !widget->isWindow();
}

QList<QWidget*> controlsInReadingOrder(const QWidget* root)
{
    QList<QWidget*> controls;
    if (!root)
        return controls;
    for (const Placed& p : placedControls(root, nullptr))
        controls.append(p.widget);
    return controls;
}

QWidget* nextControl(const QWidget* root, const QWidget* from, bool forward)
{
    if (!root)
        return nullptr;
    const bool inside = from && root->isAncestorOf(from);
    const std::vector<Placed> placed = placedControls(root, inside ? from : nullptr);
    const auto at = std::find_if(placed.begin(), placed.end(), [from](const Placed& p) { return p.widget == from; });
    if (placed.empty())
        return nullptr;
    if (at == placed.end())
        return forward ? placed.front().widget : placed.back().widget;
    const long count = long(placed.size());
    const long index = long(at - placed.begin());
    for (long step = 1; step < count; ++step) {
        const long k = ((index + (forward ? step : -step)) % count + count) % count;
        if (placed[size_t(k)].widget != from)
            return placed[size_t(k)].widget;
    }
    return nullptr;
}

QWidget* controlInDirection(const QWidget* root, const QWidget* from, int arrowKey)
{
    if (!root || !from || !root->isAncestorOf(from))
        return nullptr;
    const QRect origin = rectIn(root, from);
    const QPointF c = QRectF(origin).center();
    const bool horizontal = arrowKey == Qt::Key_Left || arrowKey == Qt::Key_Right;
    const double sign = (arrowKey == Qt::Key_Right || arrowKey == Qt::Key_Down) ? 1.0 : -1.0;

    QWidget* best = nullptr;
    bool bestInLine = false;
    double bestScore = std::numeric_limits<double>::max();
    for (const Placed& p : placedControls(root, nullptr)) {
        if (p.widget == from)
            continue;
        const QPointF pc = QRectF(p.rect).center();
        const double along = sign * (horizontal ? pc.x() - c.x() : pc.y() - c.y());
        if (along < 1.0)
            continue; // not that way
        const double across = std::abs(horizontal ? pc.y() - c.y() : pc.x() - c.x());
        // A control sharing the row (or column) of the focus wins over one off it: on a board
        // the arrow goes to the neighbour, never diagonally while a neighbour is there.
        const bool inLine = horizontal ? (p.rect.top() <= origin.bottom() && p.rect.bottom() >= origin.top())
                                       : (p.rect.left() <= origin.right() && p.rect.right() >= origin.left());
        const double score = inLine ? along + across * 0.25 : along + across * 2.0;
        if ((inLine && !bestInLine) || (inLine == bestInLine && score < bestScore)) {
            best = p.widget;
            bestInLine = inLine;
            bestScore = score;
        }
    }
    return best;
}

QWidget* focusAfterKey(const QWidget* root, QWidget* focus, int key, bool firstKey)
{
    const bool onControl = focus && isKeyboardControl(focus, root);
    if (firstKey && onControl)
        return focus;
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
        return nextControl(root, focus, key == Qt::Key_Tab);
    if (!onControl) {
        const QList<QWidget*> controls = controlsInReadingOrder(root);
        return controls.isEmpty() ? nullptr : controls.first();
    }
    return controlInDirection(root, focus, key);
}

bool usesArrowKeys(const QWidget* widget)
{
    return widget
        && (widget->inherits("QComboBox") || widget->inherits("QAbstractSlider") || widget->inherits("QAbstractSpinBox")
            || widget->inherits("QLineEdit") || widget->inherits("QAbstractScrollArea"));
}

// ------------------------------------------------------------------------------ FocusRing

namespace {
// At design size (1024 x 768) the ring is this thick; it scales with the screen.
constexpr double DesignThickness = 8.0;
} // namespace

FocusRing::FocusRing(QWidget* window) : QWidget(window)
{
    setProperty("accessibleDecoration", true); // before anything makes its accessible interface
    setObjectName(QStringLiteral("focusRing"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

int FocusRing::thickness() const
{
    return std::max(4, int(std::lround(DesignThickness * scale_)));
}

void FocusRing::follow(QWidget* target, double scale)
{
    if (target_ != target || (!target && !watched_.isEmpty())) {
        // The ring watches its control and the control's parents: a parent moved or
        // resized (a board, a panel) moves the control with it.
        for (const QPointer<QWidget>& w : std::as_const(watched_))
            if (w)
                w->removeEventFilter(this);
        watched_.clear();
        disconnect(entryWatch_);
        target_ = target;
        // In a menu bar the keys move between its entries: the ring follows the active one.
        if (auto* bar = qobject_cast<QMenuBar*>(target))
            entryWatch_ = connect(bar, &QMenuBar::hovered, this, [this] { place(); });
        for (QWidget* w = target_; w && w != parentWidget(); w = w->parentWidget()) {
            w->installEventFilter(this);
            watched_.append(w);
        }
    }
    scale_ = scale > 0 ? scale : 1.0;
    place();
}

void FocusRing::place()
{
    QWidget* window = parentWidget();
    if (!target_ || !window || !target_->isVisible() || !window->isAncestorOf(target_)) {
        hide();
        return;
    }
    const int margin = thickness() / 2 + 1;
    QRect area(QPoint(0, 0), target_->size());
    if (auto* bar = qobject_cast<QMenuBar*>(target_.data()); bar && bar->activeAction())
        area = bar->actionGeometry(bar->activeAction());
    const QRect ring =
        QRect(target_->mapTo(window, area.topLeft()), area.size()).adjusted(-margin, -margin, margin, margin);
    if (geometry() != ring)
        setGeometry(ring);
    raise();
    show();
    update();
}

bool FocusRing::eventFilter(QObject*, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ParentChange: place(); break;
    default: break;
    }
    return false;
}

void FocusRing::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double t = thickness();
    const QRectF band = QRectF(rect()).adjusted(t / 2 + 0.5, t / 2 + 0.5, -t / 2 - 0.5, -t / 2 - 0.5);
    const double radius = std::min(band.width(), band.height()) * 0.1;
    painter.setBrush(Qt::NoBrush);
    // Dark all round, bright in the middle: one of the two always stands out.
    painter.setPen(QPen(QColor(0x0d, 0x14, 0x3c), t, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawRoundedRect(band, radius, radius);
    painter.setPen(QPen(QColor(0xff, 0xe6, 0x2e), std::max(2.0, t * 0.4), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawRoundedRect(band, radius, radius);
}
