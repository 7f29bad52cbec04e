// The drum pad's main window: a fixed-size Qt window laid out from the form's control models.
#pragma once

#include "control_widgets.h"
#include "core/controls.h"
#include "platform/platform.h"

#include <QWidget>

#include <map>
#include <memory>

namespace marble::qt {

class KeyboardFilter;

/// The native window of a TForm. Create it first (its handle is the form's window handle),
/// then the form, then Bind() it to the form to build the widgets from the form's controls.
class MainWindow : public QWidget {
public:
    explicit MainWindow(const KeyboardFilter* keyFilter = nullptr);
    ~MainWindow() override;

    /// The handle the form's window timers are set on.
    WindowHandle Handle() const { return reinterpret_cast<WindowHandle>(this); }

    /// Builds the widgets of `form`'s controls at their positions, sets the window's caption,
    /// size, title-bar buttons, colours and position, and the tab order. The focus goes to the
    /// first control in tab order once the window is shown.
    void Bind(TForm& form);
    /// Detaches the widgets from the models (before the form goes away).
    void Unbind();

    /// The widget that draws control `name` ("ComboBox1", "UpDown3"...), or null.
    QWidget* WidgetOf(const std::string& name) const;
    /// The focusable controls in tab order.
    const std::vector<QWidget*>& TabChain() const { return m_tabChain; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* Build(TControl& control);
    void BuildTabChain(TForm& form);
    void SyncPosition();
    /// True while the window itself, not one of its controls, has the focus.
    bool WindowHasFocus() const;

    TForm* m_form = nullptr;
    KeyCodes m_keys;
    std::map<const TControl*, QWidget*> m_widgets;
    std::vector<QWidget*> m_tabChain;
    bool m_syncing = false;
    bool m_focusSet = false;
};

}  // namespace marble::qt
