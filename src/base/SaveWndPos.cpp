#include "base/SaveWndPos.h"

#include "base/ErrorInfo.h"
#include "base/MessageBox.h"
#include "base/Settings.h"
#include "base/WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <exception>
#include <optional>

namespace {

// Stored sizes are outer sizes, but a window's frame is only known once it is shown; restoring
// before that sets the inner size to the outer one. This takes the frame off again when the window
// is first shown, so a window does not grow by its frame every session.
class FrameCorrection : public QObject {
public:
    FrameCorrection(QWidget* window, std::optional<int> outerWidth, std::optional<int> outerHeight)
        : QObject(window), m_window(window), m_outerWidth(outerWidth), m_outerHeight(outerHeight) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_window && event->type() == QEvent::Show) {
            const QSize extra = m_window->frameGeometry().size() - m_window->geometry().size();
            // A maximized window keeps its normal size; the toolkit restores that one unchanged.
            const bool normal =
                !(m_window->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
            if (normal && !extra.isNull()) {
                QSize size = m_window->size();
                if (m_outerWidth)
                    size.setWidth(std::max(0, *m_outerWidth - extra.width()));
                if (m_outerHeight)
                    size.setHeight(std::max(0, *m_outerHeight - extra.height()));
                m_window->resize(size);
            }
            m_window->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    QPointer<QWidget> m_window;
    std::optional<int> m_outerWidth;
    std::optional<int> m_outerHeight;
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
    // size is the outer size less the frame, which is only known once the window is shown.
    const QSize frameExtra = window->frameGeometry().size() - window->geometry().size();
    QRect frame = window->frameGeometry();
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
    if (restored) {
        window->move(frame.topLeft());
        if (width || height) {
            window->resize((frame.size() - frameExtra).expandedTo(QSize(0, 0)));
            if (frameExtra.isNull() && !window->isVisible())
                new FrameCorrection(window, width, height);
        }
        KeepOnScreen(window);
    }

    switch (RestoreStateFor(stored.state, IsMaximizable(window))) {
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
    const QRect frame = window->frameGeometry();
    const TwipsRect current{PixelsToTwips(frame.left(), scale.x), PixelsToTwips(frame.top(), scale.y),
                            PixelsToTwips(frame.width(), scale.x), PixelsToTwips(frame.height(), scale.y)};
    const QString name = SettingName(window);
    const QString previous = state == PlacementState::Normal ? QString() : ReadSetting(name).toString();
    WriteSetting(name, PlacementText(state, current, previous));
}

void ReportSaveFailure(const QString& description) {
    ShowMessage({description, ProgramTitle(), MsgIcon::Exclamation, MsgButtons::Ok});
}

} // namespace

void SaveWndPos(QWidget* window, WndPos action) {
    if (window == nullptr)
        return;
    if (action == WndPos::Restore) {
        // A window that cannot be placed opens where its design puts it; nothing to report.
        try {
            Restore(window);
        } catch (const RaisedError&) {
        }
        return;
    }
    try {
        Save(window);
    } catch (const RaisedError& error) {
        ReportSaveFailure(error.info().description);
    } catch (const std::exception& error) {
        ReportSaveFailure(QString::fromLocal8Bit(error.what()));
    }
}
