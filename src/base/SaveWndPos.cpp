#include "base/SaveWndPos.h"

#include "base/ErrorHandler.h"
#include "base/Settings.h"
#include "base/WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <optional>

namespace {

// How long a shown window on X11 waits for its window manager's frame before it goes on without.
constexpr int kFrameWaitMs = 2000;

// The frame around a window as the window system knows it now; none before the window is shown.
QMargins FrameOf(const QWidget* window) {
    const QWindow* handle = window->windowHandle();
    return handle != nullptr && window->isVisible() ? handle->frameMargins() : QMargins();
}

// Stored sizes are outer sizes, but a window's frame is known only once it is shown, and on X11
// only once the window manager has framed it, a moment later. Until then the window has the stored
// outer size as its inner size; this takes the frame off as soon as it is known. A window stored
// maximized is maximized only then: the window manager keeps the rectangle it had before as the
// one to return to when it is un-maximized.
class FrameCorrection : public QObject {
public:
    FrameCorrection(QWidget* window, std::optional<int> outerWidth, std::optional<int> outerHeight, bool maximize)
        : QObject(window), m_window(window), m_outerWidth(outerWidth), m_outerHeight(outerHeight),
          m_maximize(maximize) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_window)
            return false;
        const QEvent::Type type = event->type();
        if (type == QEvent::Show && QGuiApplication::platformName() == QLatin1String("xcb"))
            QTimer::singleShot(kFrameWaitMs, this, [this] { Finish(); }); // a manager that frames nothing
        else if (type == QEvent::Show)
            Finish(); // elsewhere the frame is known now or never
        else if ((type == QEvent::Move || type == QEvent::Resize) && !FrameOf(m_window).isNull())
            Finish();
        else if (type == QEvent::Hide)
            Done(); // closed before it was framed
        return false;
    }

private:
    void Finish() {
        if (m_done || !m_window)
            return;
        const QMargins frame = FrameOf(m_window);
        QSize size = m_window->size();
        if (m_outerWidth)
            size.setWidth(std::max(0, *m_outerWidth - frame.left() - frame.right()));
        if (m_outerHeight)
            size.setHeight(std::max(0, *m_outerHeight - frame.top() - frame.bottom()));
        m_window->resize(size);
        if (m_maximize && m_window->isVisible())
            m_window->setWindowState((m_window->windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
        Done();
    }
    void Done() {
        m_done = true;
        if (m_window)
            m_window->removeEventFilter(this);
        deleteLater();
    }

    QPointer<QWidget> m_window;
    std::optional<int> m_outerWidth;
    std::optional<int> m_outerHeight;
    bool m_maximize;
    bool m_done = false;
};

QString SettingName(const QWidget* window) {
    return QStringLiteral("WndPos_") + QString::fromLatin1(window->metaObject()->className());
}

bool IsSizable(const QWidget* window) {
    return !window->windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint) &&
           window->minimumSize() != window->maximumSize();
}

bool IsMaximizable(const QWidget* window) {
    return IsSizable(window) && window->windowType() != Qt::Tool;
}

// Twips per pixel across and down, from the logical resolution of the window's screen.
struct Scale {
    double x;
    double y;
};

Scale ScaleOf(const QWidget* window) {
    const QScreen* screen = window->screen();
    if (screen == nullptr)
        return {TwipsPerPixel(0), TwipsPerPixel(0)};
    return {TwipsPerPixel(screen->logicalDotsPerInchX()), TwipsPerPixel(screen->logicalDotsPerInchY())};
}

// Moves a window that would open where no screen shows it onto the primary screen.
void KeepOnScreen(QWidget* window) {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr)
        return;
    QList<QRect> areas;
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (const QScreen* screen : screens)
        areas.append(screen->availableGeometry());
    const QRect frame = window->frameGeometry();
    const QRect placed = PlaceOnScreen(frame, areas, primary->availableGeometry());
    if (placed.topLeft() != frame.topLeft())
        window->move(placed.topLeft());
}

void Restore(QWidget* window) {
    const StoredPlacement stored = ParsePlacement(ReadSetting(SettingName(window)).toString(), IsSizable(window));
    const Scale scale = ScaleOf(window);

    // Positions and sizes are those of the outer frame. Qt's move() places the frame; the inner
    // size is the outer size less the frame (FrameCorrection takes it off once it is known).
    const QMargins frameMargins = FrameOf(window);
    const QSize frameExtra(frameMargins.left() + frameMargins.right(), frameMargins.top() + frameMargins.bottom());
    QRect frame(window->pos(), window->size() + frameExtra);
    const auto apply = [](const std::optional<double>& twips, double scale, auto set) {
        if (!twips)
            return false;
        const std::optional<int> pixels = TwipsToPixels(*twips, scale);
        if (pixels)
            set(*pixels);
        return pixels.has_value();
    };
    std::optional<int> width;
    std::optional<int> height;
    bool restored = apply(stored.left, scale.x, [&frame](int x) { frame.moveLeft(x); });
    restored |= apply(stored.top, scale.y, [&frame](int y) { frame.moveTop(y); });
    restored |= apply(stored.width, scale.x, [&](int w) {
        width = w;
        frame.setWidth(w);
    });
    restored |= apply(stored.height, scale.y, [&](int h) {
        height = h;
        frame.setHeight(h);
    });
    RestoreState state = RestoreStateFor(stored.state, IsMaximizable(window));
    if (restored) {
        window->move(frame.topLeft());
        if (width || height) {
            window->resize((frame.size() - frameExtra).expandedTo(QSize(0, 0)));
            if (!window->isVisible()) {
                new FrameCorrection(window, width, height, state == RestoreState::Maximize);
                if (state == RestoreState::Maximize)
                    state = RestoreState::Normal; // maximized once framed
            }
        }
        KeepOnScreen(window);
    }

    switch (state) {
    case RestoreState::Keep:
        break;
    case RestoreState::Maximize:
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
        break;
    case RestoreState::Normal:
        window->setWindowState(window->windowState() &
                               ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
        break;
    }
}

void Save(QWidget* window) {
    PlacementState state = PlacementState::Normal;
    if (window->isMinimized())
        state = PlacementState::Minimized;
    else if (window->isMaximized())
        state = PlacementState::Maximized;

    const Scale scale = ScaleOf(window);
    // The window system's frame as it is now; the widget's copy of it may lag behind.
    const QRect frame =
        window->windowHandle() != nullptr ? window->windowHandle()->frameGeometry() : window->frameGeometry();
    const TwipsRect current{PixelsToTwips(frame.left(), scale.x), PixelsToTwips(frame.top(), scale.y),
                            PixelsToTwips(frame.width(), scale.x), PixelsToTwips(frame.height(), scale.y)};
    const QString name = SettingName(window);
    const QString previous = state == PlacementState::Normal ? QString() : ReadSetting(name).toString();
    WriteSetting(name, PlacementText(state, current, previous));
}

} // namespace

void SaveWndPos(QWidget* window, WndPos action) {
    if (window == nullptr)
        return;
    if (action == WndPos::Restore) {
        // A window that cannot be placed opens where its design puts it; nothing to report.
        try {
            Restore(window);
        } catch (const RaisedError& error) {
            LogError(error.info());
        }
        return;
    }
    Save(window);
}
