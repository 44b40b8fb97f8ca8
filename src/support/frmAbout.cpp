#include "support/frmAbout.h"

#include "base/AccessibleNames.h"
#include "base/Clock.h"
#include "base/ErrorHandler.h"
#include "base/Twips.h"
#include "lang/clsLanguage.h"
#include "support/HelpAddress.h"
#include "support/StartDoc.h"

#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr double kPictureTwips = 720;
constexpr double kTextWidthTwips = 4200;
constexpr int kLabelCount = 3;
constexpr int kLinkLabel = 3;
} // namespace

bool IsMakerAddress(const QString& text) {
    const QString host = text.trimmed().section(QLatin1Char('/'), 0, 0).toLower();
    if (host.isEmpty() || host.contains(QLatin1Char(' ')) || !host.contains(QLatin1Char('.')))
        return false; // nothing configured, or the key itself
    // Names under example.org, .com and .net are reserved for placeholders.
    for (const char* reserved : {"example.org", "example.com", "example.net"}) {
        const QString domain = QLatin1String(reserved);
        if (host == domain || host.endsWith(QLatin1Char('.') + domain))
            return false;
    }
    return true;
}

namespace {
// The maker's address looks like the link it is.
void ShowAsLink(QLabel* link) {
    QFont linkFont = link->font();
    linkFont.setUnderline(true);
    link->setFont(linkFont);
    QPalette linkPalette = link->palette();
    linkPalette.setColor(QPalette::WindowText, linkPalette.color(QPalette::Link));
    link->setPalette(linkPalette);
    link->setCursor(Qt::PointingHandCursor);
}
} // namespace

QString ReplaceYear(const QString& text, int year) {
    QString result = text;
    return result.replace(QStringLiteral("[year]"), QStringLiteral("%1").arg(year, 4, 10, QLatin1Char('0')),
                          Qt::CaseInsensitive);
}

// A start number bib: white cloth with a coloured band, four safety pins and a number. Drawn, not
// loaded, so it stays sharp at any scale.
QPixmap ProgramPicture(int size, qreal devicePixelRatio) {
    QPixmap pixmap(QSize(size, size) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 32.0;
    const QColor blue(0x1f, 0x5f, 0xa8);

    const QRectF bib(2 * unit, 5 * unit, 28 * unit, 22 * unit);
    QPainterPath outline;
    outline.addRoundedRect(bib, 2 * unit, 2 * unit);
    painter.fillPath(outline, Qt::white);
    painter.save();
    painter.setClipPath(outline);
    painter.fillRect(QRectF(bib.left(), bib.top(), bib.width(), 5 * unit), blue);
    painter.restore();
    painter.setPen(QPen(blue, 1.2 * unit));
    painter.drawPath(outline);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x90, 0x90, 0x90));
    for (const QPointF& pin : {QPointF(5, 13), QPointF(27, 13), QPointF(5, 24), QPointF(27, 24)})
        painter.drawEllipse(pin * unit, 1.1 * unit, 1.1 * unit);

    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Bold);
    font.setPixelSize(qMax(1, qRound(12 * unit)));
    painter.setFont(font);
    painter.setPen(QColor(0x20, 0x20, 0x20));
    painter.drawText(QRectF(bib.left(), 10 * unit, bib.width(), 17 * unit), Qt::AlignCenter, QStringLiteral("42"));
    return pixmap;
}

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setModal(true);

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    const int side = TwipsToPixelsX(kPictureTwips, this);
    picIcon->setPixmap(ProgramPicture(side, devicePixelRatioF()));
    picIcon->setFixedSize(side, side);
    setWindowIcon(QIcon(ProgramPicture(32, devicePixelRatioF())));

    auto* shape = new QFrame(this);
    shape->setObjectName(QStringLiteral("Shape1"));
    shape->setFrameStyle(QFrame::Box | QFrame::Sunken);
    auto* texts = new QVBoxLayout(shape);
    lblVersion = new QLabel(shape);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    for (int i = 0; i < kLabelCount; ++i) {
        QLabel* label = new QLabel(shape);
        label->setObjectName(QStringLiteral("lblLabel"));
        label->setProperty("index", i + 1);
        label->setTextFormat(Qt::PlainText);
        label->installEventFilter(this);
        m_labels[i] = label;
    }
    lblVersion->setTextFormat(Qt::PlainText);
    lblVersion->setMinimumWidth(TwipsToPixelsX(kTextWidthTwips, this));
    QFont heading = m_labels[0]->font();
    heading.setBold(true);
    m_labels[0]->setFont(heading);
    texts->addWidget(m_labels[0]);
    texts->addWidget(lblVersion);
    texts->addSpacing(TwipsToPixelsY(120, this));
    texts->addWidget(m_labels[1]);
    texts->addWidget(m_labels[2]);

    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);

    cmdOK = new QPushButton(this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->addWidget(picIcon, 0, 0, Qt::AlignTop);
    grid->addWidget(shape, 0, 1);
    grid->addWidget(line, 1, 0, 1, 2);
    grid->addWidget(cmdOK, 2, 0, 1, 2, Qt::AlignRight);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    Form_Load();
}

QLabel* frmAbout::lblLabel(int index) const {
    return index >= 1 && index <= kLabelCount ? m_labels[index - 1] : nullptr;
}

void frmAbout::Form_Load() {
    ReportingErrors([this] {
        setWindowTitle(GetText(QStringLiteral("GEN_ABOUT_CAPTION")));
        lblVersion->setText(GetText(QStringLiteral("GEN_ABOUT_VERSION")) + QLatin1Char(' ') + VersionText());
        const int year = Now().date().year();
        for (int i = 1; i <= kLabelCount; ++i)
            lblLabel(i)->setText(ReplaceYear(GetText(QStringLiteral("GEN_ABOUT_LABEL%1").arg(i)), year));
        // The family's first line names the family; this program describes itself instead.
        lblLabel(1)->setText(GetText(QStringLiteral("MKL_ABOUT_LABEL1")));
        m_hasLink = IsMakerAddress(lblLabel(kLinkLabel)->text());
        if (m_hasLink)
            ShowAsLink(lblLabel(kLinkLabel));
        else
            lblLabel(kLinkLabel)
                ->setText(GetText(
                    QStringLiteral("MKL_ABOUT_NOLINK"),
                    {{QStringLiteral("[guide]"),
                      QDir::toNativeSeparators(GuidePath(gLanguage ? gLanguage->CurrentLanguage() : QString()))}}));
        cmdOK->setText(GetText(QStringLiteral("GEN_BTN_OK")));
        ApplyAccessibleNames(this);
    });
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        const int index = watched->property("index").toInt();
        if (index >= 1 && watched == lblLabel(index)) {
            lblLabel_Click(index);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// Only the maker's address opens anything; a desktop that refuses it shows nothing.
void frmAbout::lblLabel_Click(int index) {
    if (index != kLinkLabel || !m_hasLink)
        return;
    StartDoc(QStringLiteral("http://") + lblLabel(index)->text(), this, QString(), QStringLiteral("C:\\"));
}
