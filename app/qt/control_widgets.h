// Qt widgets that draw the control models of the core and forward the user's input to them.
#pragma once

#include "core/controls.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

#include <vector>

#include <functional>

namespace marble::qt {

class KeyboardFilter;

/// The key codes a control hands to its model's key events.
class KeyCodes {
public:
    explicit KeyCodes(const KeyboardFilter* filter) : m_filter(filter) {}
    uint16_t Down(const QKeyEvent& event) const;
    /// The code recorded at the key's press when the keyboard filter saw it.
    uint16_t Up(const QKeyEvent& event) const;
    static TShiftState Shift(const QKeyEvent& event);

private:
    const KeyboardFilter* m_filter;
};

/// A keypad key arriving with NumLock off names a navigation key (Home, Left, Delete...); the
/// drum pad plays it as a pad, so text fields and lists must not act on it as well.
bool IsKeypadNavigation(const QKeyEvent& event);

/// A colour of the models (0x00BBGGRR, or a system colour) in the current Qt palette: system
/// colours take the palette role that plays their part.
QColor ToQColor(TColor color, const QPalette& palette);
/// The model's font: its face (Fontconfig picks the closest installed one) at its pixel height.
QFont ToQFont(const TFont& font);

/// TPanel: a raised one-pixel bevel; its caption is covered by its children.
class PanelWidget : public QFrame {
public:
    PanelWidget(TPanel& model, QWidget* parent);
};

/// TLabel.
class LabelWidget : public QLabel {
public:
    LabelWidget(TLabel& model, QWidget* parent);
    void Sync();

private:
    TLabel& m_model;
};

/// TEdit: typing goes to UserSetText, keys to KeyDown and KeyUp (where the model steps its
/// spin buttons on the Up and Down keys).
class EditWidget : public QLineEdit {
public:
    EditWidget(TEdit& model, const KeyCodes& keys, QWidget* parent);
    void Sync();
    TEdit& Model() { return m_model; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    TEdit& m_model;
    const KeyCodes& m_keys;
};

/// TUpDown: two arrow buttons stacked; a press steps once, holding repeats the step.
class SpinButtonsWidget : public QWidget {
public:
    SpinButtonsWidget(TUpDown& model, QWidget* parent);
    TUpDown& Model() { return m_model; }
    /// Delay before a held arrow repeats, and the repeat period, in milliseconds.
    static constexpr int kRepeatDelayMs = 400;
    static constexpr int kRepeatPeriodMs = 80;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class Arrow { None, Up, Down };
    Arrow ArrowAt(const QPoint& point) const;
    QRect ArrowRect(Arrow arrow) const;
    void Step();

    TUpDown& m_model;
    Arrow m_pressed = Arrow::None;
    bool m_inside = false;
    QTimer m_repeat;
};

/// TComboBox as a drop-down list: picking a line goes to UserSelect.
class DeviceListWidget : public QComboBox {
public:
    /// The text shown for one of the model's lines.
    using LineText = std::function<QString(const std::string& item)>;

    DeviceListWidget(TComboBox& model, const KeyCodes& keys, QWidget* parent);
    void Sync();
    TComboBox& Model() { return m_model; }
    /// Shows the model's lines through `text` (empty: as they stand), e.g. a device's state as
    /// it is now rather than its name at listing time. Call Sync() when a text may change.
    void SetLineText(LineText text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    /// The open drop-down's list takes the keys: pad keys there are the list's own keys.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// Hands a pad key's press to the model; true when `event` was a pad key (then taken).
    bool PadKeyDown(QKeyEvent& event);

    QString TextOf(const std::string& item) const;

    TComboBox& m_model;
    const KeyCodes& m_keys;
    LineText m_lineText;
};

/// TPaintBox: a paint asks the model to paint, then shows its 32-bit surface, whose pixel
/// layout is QImage::Format_RGB32, in place (no copy).
class PaintStripWidget : public QWidget {
public:
    PaintStripWidget(TPaintBox& model, QWidget* parent);
    /// The model's pixels changed outside a paint.
    void SurfaceChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    /// Puts the surface's pixels inside `rect` on the screen.
    void Show(const QRect& rect);
    /// Writes them straight into the window's backing store and flushes that part; false when
    /// the store is not a plain 32-bit image at one pixel per pixel.
    bool ShowThroughBackingStore(const QRect& rect);

    TPaintBox& m_model;
    bool m_inPaint = false;
    // The pixels last handed to the screen, so a change repaints only the columns it touched.
    std::vector<uint32_t> m_shown;
};

}  // namespace marble::qt
