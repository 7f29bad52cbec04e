#include "main_window.h"

#include "core/window_placement.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include <algorithm>
#include <functional>

namespace marble::qt {

MainWindow::MainWindow(const KeyboardFilter* keyFilter) : QWidget(nullptr), m_keys(keyFilter) {}

MainWindow::~MainWindow() { Unbind(); }

void MainWindow::Bind(TForm& form) {
    m_form = &form;
    setWindowTitle(QString::fromUtf8(form.Caption.c_str()));
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    // The system menu brings the close button with it, as on the platform the form comes from.
    if (form.BorderIcons & biSystemMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (form.BorderIcons & biMinimize) flags |= Qt::WindowMinimizeButtonHint;
    if ((form.BorderIcons & biMaximize) && form.BorderStyle == TFormBorderStyle::bsSizeable) {
        flags |= Qt::WindowMaximizeButtonHint;
    }
    setWindowFlags(flags);
    if (form.BorderStyle == TFormBorderStyle::bsSingle) {
        setFixedSize(form.ClientWidth, form.ClientHeight);
    } else {
        resize(form.ClientWidth, form.ClientHeight);
    }
    setFont(ToQFont(form.Font));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, ToQColor(form.Color, palette));
    setPalette(palette);
    setAutoFillBackground(true);

    for (const std::unique_ptr<TControl>& control : form.Controls()) {
        QWidget* widget = Build(*control);
        m_widgets[control.get()] = widget;
    }
    BuildTabChain(form);
    form.OnModelChanged = [this](TForm&) { SyncPosition(); };
    SyncPosition();
}

void MainWindow::Unbind() {
    if (m_form == nullptr) return;
    m_form->OnModelChanged = nullptr;
    for (const std::unique_ptr<TControl>& control : m_form->Controls()) control->OnModelChanged = nullptr;
    m_form = nullptr;
}

QWidget* MainWindow::Build(TControl& control) {
    QWidget* parent = this;
    if (control.Parent != nullptr) {
        const auto it = m_widgets.find(control.Parent);
        if (it != m_widgets.end()) parent = it->second;
    }
    switch (control.Kind) {
    case TControlKind::Panel: return new PanelWidget(static_cast<TPanel&>(control), parent);
    case TControlKind::Label: {
        auto* label = new LabelWidget(static_cast<TLabel&>(control), parent);
        control.OnModelChanged = [label](TControl&) { label->Sync(); };
        return label;
    }
    case TControlKind::Edit: {
        auto* edit = new EditWidget(static_cast<TEdit&>(control), m_keys, parent);
        control.OnModelChanged = [edit](TControl&) { edit->Sync(); };
        return edit;
    }
    case TControlKind::UpDown: {
        auto* spin = new SpinButtonsWidget(static_cast<TUpDown&>(control), parent);
        spin->raise();  // drawn over an edit it overlaps
        return spin;
    }
    case TControlKind::ComboBox: {
        auto* list = new DeviceListWidget(static_cast<TComboBox&>(control), m_keys, parent);
        control.OnModelChanged = [list](TControl&) { list->Sync(); };
        return list;
    }
    case TControlKind::PaintBox: {
        auto* strip = new PaintStripWidget(static_cast<TPaintBox&>(control), parent);
        control.OnModelChanged = [strip](TControl&) { strip->SurfaceChanged(); };
        return strip;
    }
    }
    return nullptr;
}

void MainWindow::BuildTabChain(TForm& form) {
    // Tab order runs through each parent's children by their TabOrder, entering a container
    // where it stands among its siblings.
    std::function<void(const TControl*)> visit = [&](const TControl* parent) {
        std::vector<TControl*> children;
        for (const std::unique_ptr<TControl>& c : form.Controls()) {
            if (c->Parent == parent && c->TabOrder >= 0) children.push_back(c.get());
        }
        std::stable_sort(children.begin(), children.end(),
                         [](const TControl* a, const TControl* b) { return a->TabOrder < b->TabOrder; });
        for (TControl* child : children) {
            QWidget* widget = m_widgets[child];
            if (widget != nullptr && widget->focusPolicy() & Qt::TabFocus) m_tabChain.push_back(widget);
            if (child->Kind == TControlKind::Panel) visit(child);
        }
    };
    m_tabChain.clear();
    visit(nullptr);
    for (size_t i = 1; i < m_tabChain.size(); ++i) QWidget::setTabOrder(m_tabChain[i - 1], m_tabChain[i]);
}

QWidget* MainWindow::WidgetOf(const std::string& name) const {
    for (const auto& [control, widget] : m_widgets) {
        if (control->Name == name) return widget;
    }
    return nullptr;
}

namespace {

ScreenRect ToScreenRect(const QRect& rect) { return {rect.x(), rect.y(), rect.width(), rect.height()}; }

}  // namespace

// A remembered position on a screen that is gone (X would even wrap it at 32767) is brought
// onto the primary screen, and the form learns the new place, so that it is the one saved.
void MainWindow::SyncPosition() {
    if (m_form == nullptr || m_syncing) return;
    m_syncing = true;
    std::vector<ScreenRect> areas;
    for (const QScreen* screen : QGuiApplication::screens()) areas.push_back(ToScreenRect(screen->availableGeometry()));
    const QScreen* primary = QGuiApplication::primaryScreen();
    const ScreenRect primaryArea = primary != nullptr ? ToScreenRect(primary->availableGeometry()) : ScreenRect{};
    const QSize size = frameGeometry().size();
    const ScreenRect window{m_form->Left(), m_form->Top(), size.width(), size.height()};
    const ScreenPoint at = PlaceOnScreen(window, areas, primaryArea);
    move(at.x, at.y);
    if (at.x != m_form->Left()) m_form->SetLeft(at.x);
    if (at.y != m_form->Top()) m_form->SetTop(at.y);
    m_syncing = false;
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (m_form == nullptr || m_syncing) return;
    m_syncing = true;
    const QPoint at = pos();
    if (at.x() != m_form->Left()) m_form->SetLeft(at.x());
    if (at.y() != m_form->Top()) m_form->SetTop(at.y());
    m_syncing = false;
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_focusSet && !m_tabChain.empty()) {
        m_focusSet = true;
        m_tabChain.front()->setFocus(Qt::OtherFocusReason);
    }
}

bool MainWindow::WindowHasFocus() const {
    const QWidget* focus = QApplication::focusWidget();
    return focus == nullptr || focus == this;
}

// Key events of the controls that they leave unhandled also come here; only the window's own
// (while no control has the focus) belong to the form.
void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (m_form != nullptr && WindowHasFocus()) m_form->KeyDown(m_keys.Down(*event), KeyCodes::Shift(*event));
    QWidget::keyPressEvent(event);
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
    if (m_form != nullptr && WindowHasFocus() && !event->isAutoRepeat()) m_form->KeyUp(m_keys.Up(*event), KeyCodes::Shift(*event));
    QWidget::keyReleaseEvent(event);
}

}  // namespace marble::qt
