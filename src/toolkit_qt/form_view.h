#pragma once

// The Qt rendering of one form: a top-level window with a widget for every
// control, kept in step with the control tree in both directions.
//
// Model to widget: every change the form's observer reports is written to
// the widget with the widget's signals blocked, so nothing comes back as a
// user action. Widget to model: user input is routed to the controls' user*
// members; typing into edit boxes goes key by key through the control, so
// the headless and the Qt rendering edit texts in the same way.

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "toolkit/control.h"

class QAction;
class QComboBox;
class QMenu;
class QMenuBar;
class QWidget;

namespace varnel::tk {

class Form;
class FormWindow;

class FormView final : public QObject, public Control::Observer {
public:
    // windowOf finds the window of another form (for centring over it).
    using WindowLookup = std::function<QWidget*(const Form&)>;
    FormView(Form& form, WindowLookup windowOf);
    ~FormView() override;

    Form& form() const noexcept { return form_; }
    QWidget* window() const noexcept;
    QWidget* widgetFor(const Control& control) const noexcept;
    // The control a widget (or one of its inner widgets) renders.
    Control* controlFor(const QWidget* widget) const noexcept;
    // True while the view writes the model into widgets (or tears them
    // down): Qt's reactions then are not the user's.
    bool syncing() const noexcept { return syncing_ > 0; }

    void changed(Control& control, Property property) override;
    void childAdded(Control& parent, Control& child) override;
    void destroying(Control& control) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void buildTree(Control& control, QWidget* parentWidget);
    QWidget* createWidget(Control& control, QWidget* parentWidget);
    void applyAll(Control& control);
    void apply(Control& control, Property property);
    void applyCommon(Control& control, QWidget& widget, Property property);
    void applyForm(Property property);
    void applyFormProperty(FormWindow& window, Property property);
    void placeWindow();
    void updateWindowFlags();
    void layoutBar(Control& bar);
    void placeBar(Control& bar);
    void rebuildMenu();
    void addMenuItems(Control& item, QMenu* menu);
    void applyMenuItem(Control& item);
    void refreshClocks();
    bool filterEditKey(Control& control, QEvent& event);
    void wireComboEdit(Control& control, QComboBox& combo);

    Form& form_;
    WindowLookup windowOf_;
    std::unique_ptr<FormWindow> window_;
    QWidget* client_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    std::vector<QMenu*> menus_;
    std::unordered_map<const Control*, QWidget*> widgets_;
    std::unordered_map<const QWidget*, Control*> controls_;
    std::unordered_map<const Control*, QAction*> actions_;
    QTimer clock_;
    bool built_ = false;
    int syncing_ = 0;  // > 0 while the model is written into widgets
};

}  // namespace varnel::tk
