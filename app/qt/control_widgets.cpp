#include "control_widgets.h"

#include "key_mapping.h"
#include "keyboard_filter.h"

#include <QAbstractItemView>
#include <QBackingStore>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOption>
#include <QWindow>

#include <algorithm>

namespace marble::qt {

// ==== Keys, colours, fonts ======================================================================

uint16_t KeyCodes::Down(const QKeyEvent& event) const { return VirtualKeyOf(event); }

uint16_t KeyCodes::Up(const QKeyEvent& event) const {
    return m_filter != nullptr ? m_filter->KeyUpCode(event) : VirtualKeyOf(event);
}

TShiftState KeyCodes::Shift(const QKeyEvent& event) {
    TShiftState shift = 0;
    if (event.modifiers().testFlag(Qt::ShiftModifier)) shift |= ssShift;
    if (event.modifiers().testFlag(Qt::AltModifier)) shift |= ssAlt;
    if (event.modifiers().testFlag(Qt::ControlModifier)) shift |= ssCtrl;
    return shift;
}

bool IsKeypadNavigation(const QKeyEvent& event) {
    if (!event.modifiers().testFlag(Qt::KeypadModifier) || PadVirtualKey(event) == 0) return false;
    const int key = event.key();
    return !((key >= Qt::Key_0 && key <= Qt::Key_9) || key == Qt::Key_Period || key == Qt::Key_Comma);
}

QColor ToQColor(TColor color, const QPalette& palette) {
    if (color >= 0) return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
    switch (color & 0xFF) {
    case lumarix::COLOR_BTNFACE: return palette.color(QPalette::Active, QPalette::Button);
    case lumarix::COLOR_WINDOW: return palette.color(QPalette::Active, QPalette::Base);
    case lumarix::COLOR_WINDOWTEXT: return palette.color(QPalette::Active, QPalette::Text);
    case lumarix::COLOR_BTNTEXT: return palette.color(QPalette::Active, QPalette::ButtonText);
    case lumarix::COLOR_GRAYTEXT: return palette.color(QPalette::Disabled, QPalette::Text);
    case lumarix::COLOR_HIGHLIGHT: return palette.color(QPalette::Active, QPalette::Highlight);
    case lumarix::COLOR_HIGHLIGHTTEXT: return palette.color(QPalette::Active, QPalette::HighlightedText);
    default: {
        const TColor rgb = lumarix::ColorToRGB(color);
        return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
    }
    }
}

QFont ToQFont(const TFont& font) {
    QFont q(QString::fromStdString(font.Name));
    q.setPixelSize(font.PixelHeight());
    q.setBold(font.Style.Contains(lumarix::fsBold));
    q.setItalic(font.Style.Contains(lumarix::fsItalic));
    q.setUnderline(font.Style.Contains(lumarix::fsUnderline));
    q.setStrikeOut(font.Style.Contains(lumarix::fsStrikeOut));
    return q;
}

namespace {

void ApplyLayout(QWidget& widget, const TControl& model) {
    widget.setObjectName(QString::fromStdString(model.Name));
    widget.setGeometry(model.Left, model.Top, model.Width, model.Height);
    widget.setFont(ToQFont(model.Font));
    if (model.ShowHint) widget.setToolTip(QString::fromStdString(model.Hint));
}

void ApplyColours(QWidget& widget, const TControl& model, QPalette::ColorRole background, QPalette::ColorRole text) {
    QPalette palette = widget.palette();
    palette.setColor(background, ToQColor(model.Color, palette));
    const QColor textColour = ToQColor(model.Font.Color, palette);
    palette.setColor(QPalette::Active, text, textColour);
    palette.setColor(QPalette::Inactive, text, textColour);
    widget.setPalette(palette);
}

}  // namespace

// ==== Panel and label ===========================================================================

PanelWidget::PanelWidget(TPanel& model, QWidget* parent) : QFrame(parent) {
    ApplyLayout(*this, model);
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
    setAutoFillBackground(true);
    ApplyColours(*this, model, QPalette::Window, QPalette::WindowText);
}

LabelWidget::LabelWidget(TLabel& model, QWidget* parent) : QLabel(parent), m_model(model) {
    ApplyLayout(*this, model);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setContentsMargins(0, 0, 0, 0);
    setIndent(0);
    Sync();
}

void LabelWidget::Sync() { setText(QString::fromUtf8(m_model.Caption.c_str())); }

// ==== Edit ======================================================================================

EditWidget::EditWidget(TEdit& model, const KeyCodes& keys, QWidget* parent)
    : QLineEdit(parent), m_model(model), m_keys(keys) {
    ApplyLayout(*this, model);
    setReadOnly(model.ReadOnly);
    setFocusPolicy(model.TabStop ? Qt::StrongFocus : Qt::ClickFocus);
    ApplyColours(*this, model, QPalette::Base, QPalette::Text);
    // Spin buttons drawn over the edit's right end (the tempo editor) must not hide its text.
    if (const TUpDown* spin = model.Associate(); spin != nullptr && spin->Parent == model.Parent) {
        const int overlap = model.Left + model.Width - spin->Left;
        if (overlap > 0 && spin->Left > model.Left) setTextMargins(0, 0, overlap, 0);
    }
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_model.UserSetText(text.toStdString());
    });
    Sync();
}

void EditWidget::Sync() {
    const QString text = QString::fromUtf8(m_model.Text().c_str());
    if (this->text() != text) setText(text);
}

void EditWidget::keyPressEvent(QKeyEvent* event) {
    m_model.KeyDown(m_keys.Down(*event), KeyCodes::Shift(*event));
    const int key = event->key();
    const bool plainArrow = (key == Qt::Key_Up || key == Qt::Key_Down) && !event->modifiers().testFlag(Qt::KeypadModifier);
    if ((plainArrow && m_model.Associate() != nullptr) || IsKeypadNavigation(*event)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void EditWidget::keyReleaseEvent(QKeyEvent* event) {
    // Auto-repeat brings presses only; a release flagged as a repeat is not a key coming up.
    if (!event->isAutoRepeat()) m_model.KeyUp(m_keys.Up(*event), KeyCodes::Shift(*event));
    event->accept();
}

// ==== Spin buttons ==============================================================================

SpinButtonsWidget::SpinButtonsWidget(TUpDown& model, QWidget* parent) : QWidget(parent), m_model(model) {
    ApplyLayout(*this, model);
    setFocusPolicy(model.TabStop ? Qt::TabFocus : Qt::NoFocus);
    setMouseTracking(false);
    m_repeat.setTimerType(Qt::PreciseTimer);
    connect(&m_repeat, &QTimer::timeout, this, [this] {
        m_repeat.setInterval(kRepeatPeriodMs);
        if (m_inside) Step();
    });
}

QRect SpinButtonsWidget::ArrowRect(Arrow arrow) const {
    const int half = height() / 2;
    return arrow == Arrow::Up ? QRect(0, 0, width(), half) : QRect(0, half, width(), height() - half);
}

SpinButtonsWidget::Arrow SpinButtonsWidget::ArrowAt(const QPoint& point) const {
    if (!rect().contains(point)) return Arrow::None;
    return point.y() < height() / 2 ? Arrow::Up : Arrow::Down;
}

void SpinButtonsWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (Arrow arrow : {Arrow::Up, Arrow::Down}) {
        QStyleOptionButton button;
        button.initFrom(this);
        button.rect = ArrowRect(arrow);
        const bool sunken = m_pressed == arrow && m_inside;
        button.state |= sunken ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &button, &painter, this);
        QStyleOption indicator;
        indicator.initFrom(this);
        indicator.rect = button.rect.adjusted(3, 2, -3, -2).translated(sunken ? 1 : 0, sunken ? 1 : 0);
        style()->drawPrimitive(arrow == Arrow::Up ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown,
                               &indicator, &painter, this);
    }
}

void SpinButtonsWidget::Step() {
    m_model.ClickButton(m_pressed == Arrow::Up ? TUDBtnType::btNext : TUDBtnType::btPrev);
}

void SpinButtonsWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    m_pressed = ArrowAt(event->position().toPoint());
    if (m_pressed == Arrow::None) return;
    m_inside = true;
    update();
    Step();
    m_repeat.start(kRepeatDelayMs);
}

void SpinButtonsWidget::mouseMoveEvent(QMouseEvent* event) {
    if (m_pressed == Arrow::None) return;
    const bool inside = ArrowAt(event->position().toPoint()) == m_pressed;
    if (inside != m_inside) {
        m_inside = inside;
        update();
    }
}

void SpinButtonsWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    m_repeat.stop();
    m_pressed = Arrow::None;
    m_inside = false;
    update();
}

// ==== Device list ===============================================================================

DeviceListWidget::DeviceListWidget(TComboBox& model, const KeyCodes& keys, QWidget* parent)
    : QComboBox(parent), m_model(model), m_keys(keys) {
    ApplyLayout(*this, model);
    setEditable(false);
    setFocusPolicy(model.TabStop ? Qt::StrongFocus : Qt::ClickFocus);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(1);
    connect(this, QOverload<int>::of(&QComboBox::activated), this, [this](int index) { m_model.UserSelect(index); });
    view()->installEventFilter(this);
    Sync();
}

bool DeviceListWidget::PadKeyDown(QKeyEvent& event) {
    // Keypad keys are pads: they must neither pick another device by their navigation meaning
    // nor by a device name's first character.
    if (PadVirtualKey(event) == 0 || event.key() == Qt::Key_Control) return false;
    event.accept();
    return true;
}

bool DeviceListWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view() && event->type() == QEvent::KeyPress) {
        auto& key = static_cast<QKeyEvent&>(*event);
        if (PadVirtualKey(key) == 0 || key.key() == Qt::Key_Control) return false;
        keyPressEvent(&key);
        return true;
    }
    if (watched == view() && event->type() == QEvent::KeyRelease) {
        // The release of any key over the open list is the device list's key-up.
        keyReleaseEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    return QComboBox::eventFilter(watched, event);
}

void DeviceListWidget::SetLineText(LineText text) {
    m_lineText = std::move(text);
    Sync();
}

QString DeviceListWidget::TextOf(const std::string& item) const {
    return m_lineText ? m_lineText(item) : QString::fromUtf8(item.c_str());
}

void DeviceListWidget::Sync() {
    const QSignalBlocker block(this);
    const std::vector<std::string>& items = m_model.Items();
    if (count() != int(items.size())) {
        clear();
        for (const std::string& item : items) addItem(TextOf(item));
    } else {
        for (int i = 0; i < count(); ++i) {
            const QString text = TextOf(items[size_t(i)]);
            if (itemText(i) != text) setItemText(i, text);
        }
    }
    // The open list is as wide as its longest line: a line may say more than the box shows.
    int widest = 0;
    for (int i = 0; i < count(); ++i) widest = std::max(widest, view()->fontMetrics().horizontalAdvance(itemText(i)));
    view()->setMinimumWidth(widest + 2 * (view()->frameWidth() + style()->pixelMetric(QStyle::PM_FocusFrameHMargin)) +
                            style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    setCurrentIndex(m_model.ItemIndex());
}

void DeviceListWidget::keyPressEvent(QKeyEvent* event) {
    m_model.KeyDown(m_keys.Down(*event), KeyCodes::Shift(*event));
    if (PadKeyDown(*event)) return;
    QComboBox::keyPressEvent(event);
}

void DeviceListWidget::keyReleaseEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat()) m_model.KeyUp(m_keys.Up(*event), KeyCodes::Shift(*event));
    event->accept();
}

// ==== Paint strip ===============================================================================

PaintStripWidget::PaintStripWidget(TPaintBox& model, QWidget* parent) : QWidget(parent), m_model(model) {
    ApplyLayout(*this, model);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PaintStripWidget::SurfaceChanged() {
    if (m_inPaint) return;
    const lumarix::TLumarix& surface = m_model.Surface();
    const int w = surface.Width();
    const int h = surface.Height();
    if (w <= 0 || h <= 0) return;
    if (m_shown.size() != size_t(w) * size_t(h)) {
        // The first picture: all of it goes to the screen.
        m_shown.resize(size_t(w) * size_t(h));
        for (int y = 0; y < h; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(surface.ScanLine(y));
            std::copy(row, row + w, m_shown.data() + size_t(y) * size_t(w));
        }
        update();
        return;
    }
    // The bounding columns of what changed inside the area the model names: a moving line is
    // two columns, not the strip.
    const lumarix::TRect& area = m_model.ChangedArea();
    int left = w, right = -1;
    for (int y = area.Top; y < area.Bottom; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(surface.ScanLine(y));
        uint32_t* shown = m_shown.data() + size_t(y) * size_t(w);
        for (int x = area.Left; x < area.Right; ++x) {
            if (row[x] == shown[x]) continue;
            shown[x] = row[x];
            left = std::min(left, x);
            right = std::max(right, x);
        }
    }
    if (right >= left) Show(QRect(left, 0, right - left + 1, h));
}

void PaintStripWidget::Show(const QRect& rect) {
    if (!ShowThroughBackingStore(rect)) repaint(rect);
}

// The strip changes a hundred times a second while the rest of the window stands still; a
// widget repaint walks the window's widgets, sets up a painter with the style and font and
// clips against the siblings, which costs far more than the one or two columns that changed.
bool PaintStripWidget::ShowThroughBackingStore(const QRect& rect) {
    if (!isVisible() || !updatesEnabled()) return true;  // the next paint event shows them
    QWidget* top = window();
    QWindow* native = top->windowHandle();
    QBackingStore* store = top->backingStore();
    if (native == nullptr || store == nullptr || !native->isExposed() || devicePixelRatio() != 1.0) return false;
    const QRect inWindow(mapTo(top, rect.topLeft()), rect.size());
    store->beginPaint(QRegion(inWindow));
    QPaintDevice* device = store->paintDevice();
    auto* image = device != nullptr && device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
    const bool plain = image != nullptr && image->devicePixelRatio() == 1.0 &&
                       (image->format() == QImage::Format_RGB32 ||
                        image->format() == QImage::Format_ARGB32_Premultiplied) &&
                       image->rect().contains(inWindow);
    if (plain) {
        const lumarix::TLumarix& surface = m_model.Surface();
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            const auto* source = reinterpret_cast<const uint32_t*>(surface.ScanLine(y)) + rect.left();
            auto* target = reinterpret_cast<uint32_t*>(image->scanLine(inWindow.top() + y - rect.top())) + inWindow.left();
            for (int x = 0; x < rect.width(); ++x) target[x] = source[x] | 0xFF000000u;  // opaque
        }
    }
    store->endPaint();
    if (plain) store->flush(QRegion(inWindow), native);
    return plain;
}

void PaintStripWidget::paintEvent(QPaintEvent*) {
    m_inPaint = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_inPaint};
    m_model.Paint();
    const lumarix::TLumarix& surface = m_model.Surface();
    if (surface.Width() <= 0 || surface.Height() <= 0) return;
    // Bytes blue, green, red, unused per pixel, rows top-down with the bitmap's own stride.
    const QImage image(surface.ScanLine(0), surface.Width(), surface.Height(), surface.RowStride(),
                       QImage::Format_RGB32);
    QPainter painter(this);
    painter.drawImage(0, 0, image);
}

}  // namespace marble::qt
