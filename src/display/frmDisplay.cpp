#include "display/frmDisplay.h"

#include "base/AccessibleNames.h"
#include "base/ErrorHandler.h"
#include "base/SaveWndPos.h"
#include "base/Twips.h"
#include "lang/clsLanguage.h"

#include <QCloseEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QFrame>
#include <QLabel>
#include <QtMath>

#include <algorithm>

namespace {
// Design of the inner area and of both controls, in twips.
constexpr double kDesignWidth = 8040;
constexpr double kDesignHeight = 3765;
constexpr double kMargin = 120;
constexpr double kDesignFontSize = 144;

// The label's height is taken from these digits in the window's own font, so it does not
// change with the bib shown.
const QString kSample = QStringLiteral("1234");

// Arial's digits advance 1139/2048 of the em; the sizing below (one point per 60 twips of width)
// gives five of them room. Where Arial is missing, a metric-compatible face is asked for next,
// and a wider face is narrowed to Arial's digit width so that long bibs are not cut off.
constexpr double kArialDigitAdvance = 1139.0 / 2048.0;

QFont DigitFont() {
    QFont digits;
    digits.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                        QStringLiteral("Helvetica")});
    digits.setStyleHint(QFont::SansSerif);
    digits.setWeight(QFont::Bold);
    digits.setPointSizeF(kDesignFontSize);
    const QFontMetricsF metrics(digits);
    const double em = QFontInfo(digits).pixelSize();
    const double advance = metrics.horizontalAdvance(QStringLiteral("0123456789")) / 10;
    if (em > 0 && advance > em * kArialDigitAdvance * 1.01)
        digits.setStretch(qBound(50, qFloor(100 * em * kArialDigitAdvance / advance), 100));
    return digits;
}

// The digits stand on white; a platform whose default text colour is light (a dark theme)
// would make them unreadable, so a light colour is replaced by black.
QColor DigitColour(const QPalette& palette) {
    const QColor text = palette.color(QPalette::WindowText);
    return text.lightness() > 128 ? QColor(Qt::black) : text;
}
} // namespace

frmDisplay::frmDisplay(QWidget* parent)
    : QWidget(parent, Qt::Tool), Shape1(new QFrame(this)), lblBib(new QLabel(this)), lblName(new QLabel(this)) {
    setObjectName(QStringLiteral("frmDisplay"));
    setAttribute(Qt::WA_DeleteOnClose);

    // The whole display area is white; the frame is drawn over the label's edges so that it
    // stays unbroken where the label meets it.
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, Qt::white);
    setPalette(windowPalette);
    setAutoFillBackground(true);

    lblBib->setObjectName(QStringLiteral("lblBib"));
    lblBib->setAlignment(Qt::AlignCenter);
    QPalette labelPalette = lblBib->palette();
    labelPalette.setColor(QPalette::Window, Qt::white);
    labelPalette.setColor(QPalette::WindowText, DigitColour(QPalette()));
    lblBib->setPalette(labelPalette);
    lblBib->setAutoFillBackground(true);
    lblBib->setFont(DigitFont());

    // The name stands in the frame's lowest part, over the digits' label, which leaves that part
    // empty (digits have no descenders), so the digits keep their size with or without a name.
    lblName->setObjectName(QStringLiteral("lblName"));
    lblName->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    lblName->setPalette(labelPalette);
    lblName->setAttribute(Qt::WA_TransparentForMouseEvents);
    lblName->hide();

    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Shape1->setLineWidth(2);
    QPalette shapePalette = Shape1->palette();
    shapePalette.setColor(QPalette::WindowText, QColor(0x40, 0x40, 0x40));
    Shape1->setPalette(shapePalette);
    Shape1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Shape1->raise();

    const int left = TwipsToPixelsX(kMargin, this);
    const int top = TwipsToPixelsY(kMargin, this);
    Shape1->move(left, top);
    lblBib->move(left, top);
    resize(TwipsToPixelsX(kDesignWidth, this), TwipsToPixelsY(kDesignHeight, this));
    Form_Resize();
}

frmDisplay::~frmDisplay() {
    // Destroyed with its owner without being closed: the placement is kept all the same.
    if (m_loaded && !m_unloaded)
        ReportingErrors([this] { SaveWndPos(this, WndPos::Save); });
}

void frmDisplay::Form_Load() {
    ReportingErrors([this] {
        m_loaded = true;
        SaveWndPos(this, WndPos::Restore);
        SetCaptions();
    });
}

void frmDisplay::SetCaptions() {
    setWindowTitle(GetText(QStringLiteral("MKL_DISP_CAPTION")));
    ApplyAccessibleNames(this);
}

void frmDisplay::ShowBib(const QString& b) {
    lblBib->setText(b);
}

void frmDisplay::ShowName(const QString& name) {
    lblName->setText(name);
    lblName->setVisible(!name.isEmpty());
    PlaceName();
}

// A sixth of the frame's height, smaller when the name would not fit the width.
void frmDisplay::PlaceName() {
    const int inset = Shape1->lineWidth() + 2;
    const QRect frame = Shape1->geometry().adjusted(inset, inset, -inset, -inset);
    if (frame.width() <= 0 || frame.height() <= 0)
        return;
    const int height = frame.height() / 6;
    QFont font = lblName->font();
    font.setPixelSize(std::max(1, height * 4 / 5));
    const int textWidth = QFontMetrics(font).horizontalAdvance(lblName->text());
    if (textWidth > frame.width())
        font.setPixelSize(std::max(1, font.pixelSize() * frame.width() / textWidth));
    lblName->setFont(font);
    lblName->setGeometry(frame.left(), frame.bottom() - height, frame.width(), height);
    lblName->raise();
    Shape1->raise();
}

void frmDisplay::closeEvent(QCloseEvent* event) {
    if (!m_unloaded)
        Form_Unload();
    event->accept();
}

void frmDisplay::Form_Unload() {
    m_unloaded = true;
    ReportingErrors([this] { SaveWndPos(this, WndPos::Save); });
    emit Unload();
}

void frmDisplay::resizeEvent(QResizeEvent*) {
    Form_Resize();
}

void frmDisplay::showEvent(QShowEvent*) {
    Form_Resize();
}

// Every length in twips. A step whose size would be negative (a window smaller than its margins)
// or whose font size the platform cannot take is skipped; the later steps use what is there.
void frmDisplay::Form_Resize() {
    const double innerWidth = PixelsToTwipsX(width(), this);
    const double innerHeight = PixelsToTwipsY(height(), this);

    const double shapeWidth = innerWidth - 2 * PixelsToTwipsX(Shape1->x(), this);
    if (shapeWidth >= 0)
        Shape1->resize(TwipsToPixelsX(shapeWidth, this), Shape1->height());
    const double shapeHeight = innerHeight - 2 * PixelsToTwipsY(Shape1->y(), this);
    if (shapeHeight >= 0)
        Shape1->resize(Shape1->width(), TwipsToPixelsY(shapeHeight, this));
    const double labelWidth = innerWidth - 2 * PixelsToTwipsX(lblBib->x(), this);
    if (labelWidth >= 0)
        lblBib->resize(TwipsToPixelsX(labelWidth, this), lblBib->height());

    // One point for every 60 twips of width, and an em never taller than the frame (20 twips
    // to the point).
    const double size =
        std::min(PixelsToTwipsX(lblBib->width(), this) / 60, PixelsToTwipsY(Shape1->height(), this) / 20);
    if (size > 0) {
        QFont digits = lblBib->font();
        digits.setPointSizeF(size);
        lblBib->setFont(digits);
    }

    // The size the font system actually chose, in the window's own face, gives the label's height.
    const double chosen = QFontInfo(lblBib->font()).pointSizeF();
    if (chosen > 0) {
        QFont own = font();
        own.setPointSizeF(chosen);
        setFont(own);
    }
    const double sampleHeight = QFontMetricsF(font()).size(Qt::TextSingleLine, kSample).height() * TwipsPerPixelY(this);
    lblBib->resize(lblBib->width(), TwipsToPixelsY(sampleHeight * 1.1, this));
    lblBib->move(lblBib->x(), TwipsToPixelsY((innerHeight - PixelsToTwipsY(lblBib->height(), this)) / 2, this));
    PlaceName();
}
