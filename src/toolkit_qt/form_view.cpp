#include "toolkit_qt/form_view.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMovie>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadialGradient>
#include <QScreen>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <ctime>
#include <functional>

#include "toolkit/application.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/timer.h"

namespace varnel::tk {

namespace {

QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

// Labels show '&' marks as platform labels do without a buddy: removed.
QString withoutMarks(const std::string& caption)
{
    std::string out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += caption[i];
    }
    return qs(out);
}

// The toolkit counts characters; Qt counts UTF-16 units.
int toUtf16(const QString& s, int codePoints)
{
    qsizetype i = 0;
    for (int cp = 0; i < s.size() && cp < codePoints; ++cp) {
        i += (s.at(i).isHighSurrogate() && i + 1 < s.size()) ? 2 : 1;
    }
    return static_cast<int>(i);
}

int toCodePoints(const QString& s, int utf16)
{
    int cp = 0;
    for (qsizetype i = 0; i < utf16 && i < s.size(); ++cp) {
        i += (s.at(i).isHighSurrogate() && i + 1 < s.size()) ? 2 : 1;
    }
    return cp;
}

QColor qcolour(Colour c)
{
    return QColor(c.red, c.green, c.blue);
}

QImage toQImage(const Image& image)
{
    if (image.empty() || image.argb.size() < static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height)) {
        return {};
    }
    QImage out(image.width, image.height, QImage::Format_ARGB32);
    for (int y = 0; y < image.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < image.width; ++x) {
            line[x] = image.argb[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                                 static_cast<std::size_t>(x)];
        }
    }
    return out;
}

Qt::Alignment qalign(Alignment a)
{
    switch (a) {
    case Alignment::Centre:
        return Qt::AlignCenter;
    case Alignment::Right:
        return Qt::AlignRight | Qt::AlignVCenter;
    case Alignment::Left:
        break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

constexpr int defaultStatusHeight = 22;
constexpr int defaultToolBarHeight = 40;

}  // namespace

// ---- widgets that need their own painting or events ----------------------------

class FormWindow final : public QWidget {
public:
    std::function<void()> onCloseRequest;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        // The toolkit decides; it hides the window itself when the form closes.
        event->ignore();
        if (onCloseRequest) onCloseRequest();
    }
};

class LampWidget final : public QWidget {
public:
    using QWidget::QWidget;
    QColor colour;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const int d = std::max(2, std::min(width(), height()) - 2);
        const QRectF r((width() - d) / 2.0, (height() - d) / 2.0, d, d);
        QRadialGradient g(r.center() - QPointF(d / 5.0, d / 5.0), d / 1.5);
        g.setColorAt(0, colour.lighter(170));
        g.setColorAt(1, colour);
        p.setBrush(g);
        p.setPen(QPen(colour.darker(200), 1));
        p.drawEllipse(r);
    }
};

// A picture keeps mouse events to itself: they never reach its parent.
class PictureWidget final : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> onClick;
    std::function<void()> onDblClick;
    std::unique_ptr<QMovie> movie;

protected:
    void mousePressEvent(QMouseEvent* e) override { e->accept(); }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        e->accept();
        if (onClick && rect().contains(e->position().toPoint())) onClick();
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override
    {
        e->accept();
        if (onDblClick) onDblClick();
    }
};

// ---- FormView ------------------------------------------------------------------

FormView::FormView(Form& form, WindowLookup windowOf) : form_(form), windowOf_(std::move(windowOf))
{
    clock_.setInterval(1000);
    QObject::connect(&clock_, &QTimer::timeout, this, [this] { refreshClocks(); });
}

FormView::~FormView()
{
    clock_.stop();
    if (window_) window_->hide();
}

QWidget* FormView::window() const noexcept
{
    return window_.get();
}

QWidget* FormView::widgetFor(const Control& control) const noexcept
{
    if (&control == &form_) return window_.get();
    const auto it = widgets_.find(&control);
    return it == widgets_.end() ? nullptr : it->second;
}

Control* FormView::controlFor(const QWidget* widget) const noexcept
{
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        const auto it = controls_.find(w);
        if (it != controls_.end()) return it->second;
        if (w == window_.get()) return nullptr;
    }
    return nullptr;
}

void FormView::build()
{
    built_ = true;
    window_ = std::make_unique<FormWindow>();
    window_->onCloseRequest = [this] { form_.userClose(); };
    auto* layout = new QVBoxLayout(window_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    menuBar_ = new QMenuBar(window_.get());
    menuBar_->setNativeMenuBar(false);
    layout->setMenuBar(menuBar_);
    client_ = new QWidget(window_.get());
    client_->installEventFilter(this);
    layout->addWidget(client_);
    controls_[client_] = &form_;
    for (Control& c : form_.children()) buildTree(c, client_);
    rebuildMenu();
    for (Property p : {Property::Caption, Property::Bounds, Property::Colour, Property::Font, Property::Alpha,
                       Property::Style, Property::Enabled}) {
        applyForm(p);
    }
    for (Control& c : form_.children()) {
        if (c.kind() == Kind::StatusBar || c.kind() == Kind::ToolBar) placeBar(c);
    }
    refreshClocks();
}

void FormView::buildTree(Control& control, QWidget* parentWidget)
{
    if (control.kind() == Kind::MainMenu || control.kind() == Kind::MenuItem || control.kind() == Kind::Timer) {
        return;  // menus are built by rebuildMenu; timers have no widget
    }
    QWidget* widget = createWidget(control, parentWidget);
    if (widget == nullptr) return;
    widgets_[&control] = widget;
    controls_[widget] = &control;
    for (Control& child : control.children()) buildTree(child, widget);
    applyAll(control);
    if (control.kind() == Kind::StatusBar || control.kind() == Kind::ToolBar) layoutBar(control);
    if (control.kind() == Kind::ClockPane && !clock_.isActive()) clock_.start();
}

QWidget* FormView::createWidget(Control& control, QWidget* parentWidget)
{
    Control* c = &control;
    switch (control.kind()) {
    case Kind::GroupBox:
        return new QGroupBox(parentWidget);
    case Kind::Panel: {
        auto* f = new QFrame(parentWidget);
        f->setFrameShape(QFrame::StyledPanel);
        return f;
    }
    case Kind::Bevel: {
        auto* f = new QFrame(parentWidget);
        f->setFrameShadow(QFrame::Sunken);
        return f;
    }
    case Kind::Label:
    case Kind::StatusPane:
    case Kind::ClockPane: {
        auto* l = new QLabel(parentWidget);
        l->setTextFormat(Qt::PlainText);
        if (control.kind() != Kind::Label) {
            l->setFrameShape(QFrame::Panel);
            l->setFrameShadow(QFrame::Sunken);
            l->setContentsMargins(3, 0, 3, 0);
        }
        l->installEventFilter(this);
        return l;
    }
    case Kind::Edit:
    case Kind::MaskEdit: {
        auto* e = new QLineEdit(parentWidget);
        e->installEventFilter(this);
        if (control.kind() == Kind::MaskEdit) {
            e->setContextMenuPolicy(Qt::NoContextMenu);
            e->setDragEnabled(false);
            e->setAcceptDrops(false);
        }
        QObject::connect(e, &QLineEdit::textEdited, e, [this, c, e](const QString& text) {
            if (syncing_ > 0) return;
            auto& edit = static_cast<Edit&>(*c);
            const std::string utf8 = text.toStdString();
            const int newLength = toCodePoints(text, static_cast<int>(text.size()));
            const bool tooLong = edit.maxLength() > 0 && newLength > edit.maxLength() && newLength > edit.length();
            if (c->kind() == Kind::MaskEdit || tooLong) {
                apply(*c, Property::Text);  // refused: show the control's text again
                return;
            }
            edit.userEdited(utf8, toCodePoints(text, e->cursorPosition()));
        });
        const auto syncSelection = [this, c, e] {
            if (syncing_ > 0) return;
            auto& edit = static_cast<Edit&>(*c);
            const QString text = e->text();
            ++syncing_;
            if (e->hasSelectedText()) {
                const int start = toCodePoints(text, static_cast<int>(e->selectionStart()));
                const int end = toCodePoints(text, static_cast<int>(e->selectionEnd()));
                edit.setSelStart(start);
                edit.setSelLength(end - start);
            } else {
                edit.setSelStart(toCodePoints(text, e->cursorPosition()));
            }
            --syncing_;
        };
        QObject::connect(e, &QLineEdit::cursorPositionChanged, e, syncSelection);
        QObject::connect(e, &QLineEdit::selectionChanged, e, syncSelection);
        return e;
    }
    case Kind::ComboBox: {
        auto& combo = static_cast<ComboBox&>(control);
        auto* cb = new QComboBox(parentWidget);
        cb->setEditable(combo.style() == ComboBox::Style::DropDown);
        cb->setInsertPolicy(QComboBox::NoInsert);
        cb->installEventFilter(this);
        wireComboEdit(control, *cb);
        QObject::connect(cb, &QComboBox::activated, cb, [this, c](int index) {
            if (syncing_ > 0) return;
            static_cast<ComboBox&>(*c).userSelect(index);
            apply(*c, Property::Text);  // the widget may show another text than the control
        });
        return cb;
    }
    case Kind::CheckBox: {
        auto* b = new QCheckBox(parentWidget);
        QObject::connect(b, &QCheckBox::clicked, b, [this, c] {
            if (syncing_ > 0) return;
            c->userClick();
            apply(*c, Property::Checked);
        });
        return b;
    }
    case Kind::Button: {
        auto* b = new QPushButton(parentWidget);
        QObject::connect(b, &QPushButton::clicked, b, [this, c] {
            if (syncing_ > 0) return;
            c->userClick();
        });
        return b;
    }
    case Kind::Memo: {
        auto* m = new QPlainTextEdit(parentWidget);
        QObject::connect(m, &QPlainTextEdit::textChanged, m, [this, c, m] {
            if (syncing_ > 0) return;
            static_cast<Memo&>(*c).userEdited(m->toPlainText().toStdString());
        });
        return m;
    }
    case Kind::StatusBar:
    case Kind::ToolBar: {
        auto* w = new QWidget(parentWidget);
        w->setAutoFillBackground(true);
        return w;
    }
    case Kind::ProgressBar: {
        auto* p = new QProgressBar(parentWidget);
        p->setRange(0, 100);
        p->setTextVisible(true);
        return p;
    }
    case Kind::Lamp:
        return new LampWidget(parentWidget);
    case Kind::ToolButton: {
        auto* b = new QToolButton(parentWidget);
        b->setFocusPolicy(Qt::NoFocus);  // the edit box keeps the focus
        b->setAutoRaise(true);
        QObject::connect(b, &QToolButton::clicked, b, [this, c] {
            if (syncing_ > 0) return;
            c->userClick();
        });
        return b;
    }
    case Kind::Picture: {
        auto* p = new PictureWidget(parentWidget);
        p->onClick = [c] { c->userClick(); };
        p->onDblClick = [c] { c->userDblClick(); };
        return p;
    }
    case Kind::Form:
    case Kind::MainMenu:
    case Kind::MenuItem:
    case Kind::Timer:
        break;
    }
    return nullptr;
}

void FormView::wireComboEdit(Control& control, QComboBox& cb)
{
    QLineEdit* line = cb.lineEdit();
    if (line == nullptr || line->property("varnelWired").toBool()) return;
    line->setProperty("varnelWired", true);
    cb.setCompleter(nullptr);
    line->installEventFilter(this);
    Control* c = &control;
    QObject::connect(line, &QLineEdit::textEdited, &cb, [this, c](const QString& text) {
        if (syncing_ > 0) return;
        static_cast<ComboBox&>(*c).userEdited(text.toStdString());
    });
}

void FormView::applyAll(Control& control)
{
    for (Property p : {Property::Bounds, Property::Caption, Property::Hint, Property::Font, Property::Colour,
                       Property::Enabled, Property::Style, Property::Items, Property::ItemIndex, Property::Text,
                       Property::MaxLength, Property::ReadOnly, Property::Selection, Property::Checked,
                       Property::Lines, Property::Position, Property::Lit, Property::Image, Property::Visible}) {
        apply(control, p);
    }
}

void FormView::changed(Control& control, Property property)
{
    if (&control == &form_) {
        if (property == Property::Visible && form_.visible() && !built_) build();
        if (built_) applyForm(property);
        return;
    }
    if (!built_) return;
    if (control.kind() == Kind::MenuItem || control.kind() == Kind::MainMenu) {
        applyMenuItem(control);
        return;
    }
    apply(control, property);
    if (Control* parent = control.parent(); parent != nullptr &&
        (parent->kind() == Kind::StatusBar || parent->kind() == Kind::ToolBar) &&
        (property == Property::Bounds || property == Property::Visible || property == Property::Caption)) {
        layoutBar(*parent);
    }
}

void FormView::childAdded(Control& parent, Control& child)
{
    if (!built_) return;
    if (child.kind() == Kind::MenuItem || child.kind() == Kind::MainMenu) {
        rebuildMenu();
        return;
    }
    QWidget* parentWidget = &parent == &form_ ? client_ : widgetFor(parent);
    if (parentWidget == nullptr) return;
    buildTree(child, parentWidget);
    if (parent.kind() == Kind::StatusBar || parent.kind() == Kind::ToolBar) layoutBar(parent);
    if (&parent == &form_ && (child.kind() == Kind::StatusBar || child.kind() == Kind::ToolBar)) placeBar(child);
}

void FormView::destroying(Control& control)
{
    if (const auto a = actions_.find(&control); a != actions_.end()) {
        actions_.erase(a);
        return;  // the menu is rebuilt or dies with the window
    }
    const auto it = widgets_.find(&control);
    if (it == widgets_.end()) return;
    QWidget* widget = it->second;
    widgets_.erase(it);
    controls_.erase(widget);
    // The widget may be inside one of its own signals: cut it loose now and
    // delete it from the event loop. Hiding it may move Qt's focus to a
    // sibling while parents are half destroyed, so nothing may reach the
    // model meanwhile.
    ++syncing_;
    widget->disconnect();
    widget->removeEventFilter(this);
    widget->hide();
    widget->deleteLater();
    --syncing_;
}

void FormView::applyForm(Property property)
{
    FormWindow& w = *window_;
    const QSignalBlocker blocker(&w);
    ++syncing_;
    applyFormProperty(w, property);
    --syncing_;
}

void FormView::applyFormProperty(FormWindow& w, Property property)
{
    switch (property) {
    case Property::Caption:
        w.setWindowTitle(qs(form_.caption()));
        break;
    case Property::Bounds:
        client_->setFixedSize(form_.clientWidth(), form_.clientHeight());
        if (form_.borderStyle() == Form::BorderStyle::Sizeable) {
            w.layout()->setSizeConstraint(QLayout::SetDefaultConstraint);
            w.adjustSize();
        } else {
            w.layout()->setSizeConstraint(QLayout::SetFixedSize);
        }
        for (Control& c : form_.children()) {
            if (c.kind() == Kind::StatusBar || c.kind() == Kind::ToolBar) placeBar(c);
        }
        if (form_.visible()) placeWindow();
        break;
    case Property::Colour:
        client_->setAutoFillBackground(form_.colour().has_value());
        if (form_.colour()) {
            QPalette pal = client_->palette();
            pal.setColor(QPalette::Window, qcolour(*form_.colour()));
            client_->setPalette(pal);
        }
        break;
    case Property::Font:
        if (!form_.font().family.empty() || form_.font().pointSize > 0) {
            QFont f = w.font();
            if (!form_.font().family.empty()) f.setFamily(qs(form_.font().family));
            if (form_.font().pointSize > 0) f.setPointSize(form_.font().pointSize);
            f.setBold(form_.font().bold);
            w.setFont(f);
        }
        break;
    case Property::Alpha:
        w.setWindowOpacity(form_.alphaBlend() ? form_.alphaBlendValue() / 255.0 : 1.0);
        break;
    case Property::Style:
    case Property::StayOnTop:
        updateWindowFlags();
        applyForm(Property::Bounds);
        break;
    case Property::Enabled:
        w.setEnabled(form_.enabled());
        break;
    case Property::Visible:
        if (form_.visible()) {
            if (!w.isVisible()) {
                w.setWindowModality(form_.isModal() ? Qt::ApplicationModal : Qt::NonModal);
                placeWindow();
                w.show();
            }
            w.raise();
            w.activateWindow();
        } else {
            w.hide();
        }
        break;
    case Property::Focus:
        if (Control* focused = form_.activeControl()) {
            if (QWidget* fw = widgetFor(*focused); fw != nullptr && !fw->hasFocus()) fw->setFocus(Qt::OtherFocusReason);
        }
        break;
    default:
        break;
    }
}

void FormView::updateWindowFlags()
{
    Qt::WindowFlags flags = Qt::Window;
    const Form::BorderIcons icons = form_.borderIcons();
    switch (form_.borderStyle()) {
    case Form::BorderStyle::None:
        flags |= Qt::FramelessWindowHint;
        break;
    case Form::BorderStyle::Dialog:
        flags = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
        if (icons.systemMenu) flags |= Qt::WindowSystemMenuHint;
        break;
    case Form::BorderStyle::Single:
    case Form::BorderStyle::Sizeable:
        flags |= Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
        if (icons.systemMenu) flags |= Qt::WindowSystemMenuHint;
        if (icons.minimise) flags |= Qt::WindowMinimizeButtonHint;
        if (icons.maximise && form_.borderStyle() == Form::BorderStyle::Sizeable) flags |= Qt::WindowMaximizeButtonHint;
        flags |= Qt::CustomizeWindowHint;
        break;
    }
    if (form_.stayOnTop()) flags |= Qt::WindowStaysOnTopHint;
    const bool wasVisible = window_->isVisible();
    if (window_->windowFlags() != flags) {
        window_->setWindowFlags(flags);
        if (wasVisible) window_->show();
    }
}

void FormView::placeWindow()
{
    FormWindow& w = *window_;
    w.adjustSize();
    QRect area;
    if (QScreen* screen = QGuiApplication::primaryScreen()) area = screen->availableGeometry();
    const QSize size = w.size();
    QPoint at(form_.left(), form_.top());
    QRect over = area;
    Form* reference = nullptr;
    if (Application* app = Application::current()) {
        if (form_.position() == Form::Position::MainFormCentre) reference = app->mainForm();
        if (form_.position() == Form::Position::OwnerCentre) reference = form_.owner() ? form_.owner() : app->mainForm();
    }
    if (reference != nullptr && reference != &form_ && windowOf_) {
        if (const QWidget* top = windowOf_(*reference); top != nullptr && top->isVisible()) over = top->frameGeometry();
    }
    if (form_.position() != Form::Position::Designed) {
        at = over.center() - QPoint(size.width() / 2, size.height() / 2);
    }
    w.move(at);
}

void FormView::apply(Control& control, Property property)
{
    QWidget* widget = widgetFor(control);
    if (widget == nullptr) return;
    ++syncing_;
    const QSignalBlocker blocker(widget);
    applyCommon(control, *widget, property);
    switch (control.kind()) {
    case Kind::GroupBox:
        if (property == Property::Caption) static_cast<QGroupBox*>(widget)->setTitle(qs(control.caption()));
        break;
    case Kind::Bevel:
        if (property == Property::Bounds) {
            auto* f = static_cast<QFrame*>(widget);
            f->setFrameShape(control.height() <= 3 ? QFrame::HLine : control.width() <= 3 ? QFrame::VLine : QFrame::Box);
        }
        break;
    case Kind::Label:
    case Kind::StatusPane: {
        auto* l = static_cast<QLabel*>(widget);
        if (property == Property::Caption) {
            l->setText(control.kind() == Kind::Label ? withoutMarks(control.caption()) : qs(control.caption()));
            if (control.kind() == Kind::Label && (control.width() == 0 || control.height() == 0)) l->adjustSize();
        }
        if (property == Property::Style) {
            if (auto* label = dynamic_cast<Label*>(&control)) {
                l->setAlignment(qalign(label->alignment()));
                l->setWordWrap(label->wordWrap());
            } else if (auto* pane = dynamic_cast<StatusPane*>(&control)) {
                l->setAlignment(qalign(pane->alignment()));
            }
        }
        break;
    }
    case Kind::ClockPane:
        if (property == Property::Style || property == Property::Caption) {
            static_cast<QLabel*>(widget)->setText(qs(static_cast<ClockPane&>(control).textNow()));
        }
        break;
    case Kind::Edit:
    case Kind::MaskEdit: {
        auto& edit = static_cast<Edit&>(control);
        auto* e = static_cast<QLineEdit*>(widget);
        if (property == Property::Text || property == Property::Selection) {
            const QString shown = control.kind() == Kind::MaskEdit ? qs(static_cast<MaskEdit&>(control).editText())
                                                                    : qs(edit.text());
            if (e->text() != shown) e->setText(shown);
            const int start = toUtf16(shown, edit.selStart());
            const int length = toUtf16(shown, edit.selStart() + edit.selLength()) - start;
            if (length > 0) {
                e->setSelection(start, length);
            } else if (e->cursorPosition() != start || e->hasSelectedText()) {
                e->setCursorPosition(start);
            }
        }
        if (property == Property::ReadOnly) e->setReadOnly(edit.readOnly());
        if (property == Property::Style && control.kind() == Kind::MaskEdit) apply(control, Property::Text);
        break;
    }
    case Kind::ComboBox: {
        auto& combo = static_cast<ComboBox&>(control);
        auto* cb = static_cast<QComboBox*>(widget);
        if (property == Property::Style) {
            cb->setEditable(combo.style() == ComboBox::Style::DropDown);
            wireComboEdit(control, *cb);
        }
        const QSignalBlocker lineBlocker(cb->lineEdit());
        if (property == Property::Items) {
            cb->clear();
            for (const std::string& item : combo.items()) cb->addItem(qs(item));
        }
        if (property == Property::Items || property == Property::ItemIndex || property == Property::Text ||
            property == Property::Style) {
            if (cb->currentIndex() != combo.itemIndex()) cb->setCurrentIndex(combo.itemIndex());
            if (cb->isEditable() && cb->lineEdit()->text() != qs(combo.text())) {
                const int cursor = cb->lineEdit()->cursorPosition();
                cb->lineEdit()->setText(qs(combo.text()));
                cb->lineEdit()->setCursorPosition(std::min(cursor, static_cast<int>(cb->lineEdit()->text().size())));
            }
        }
        break;
    }
    case Kind::CheckBox: {
        auto* b = static_cast<QCheckBox*>(widget);
        if (property == Property::Caption) b->setText(qs(control.caption()));
        if (property == Property::Checked) b->setChecked(static_cast<CheckBox&>(control).checked());
        break;
    }
    case Kind::Button: {
        auto* b = static_cast<QPushButton*>(widget);
        if (property == Property::Caption) b->setText(qs(control.caption()));
        if (property == Property::Style) b->setDefault(static_cast<Button&>(control).isDefault());
        break;
    }
    case Kind::Memo: {
        auto& memo = static_cast<Memo&>(control);
        auto* m = static_cast<QPlainTextEdit*>(widget);
        if (property == Property::Lines && m->toPlainText() != qs(memo.text())) m->setPlainText(qs(memo.text()));
        if (property == Property::ReadOnly) m->setReadOnly(memo.readOnly());
        if (property == Property::Style) {
            const auto bars = memo.scrollBars();
            const bool v = bars == Memo::ScrollBars::Vertical || bars == Memo::ScrollBars::Both;
            const bool h = bars == Memo::ScrollBars::Horizontal || bars == Memo::ScrollBars::Both;
            m->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
            m->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
            m->setLineWrapMode(h ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
        }
        break;
    }
    case Kind::ProgressBar:
        if (property == Property::Position) static_cast<QProgressBar*>(widget)->setValue(static_cast<ProgressBar&>(control).percent());
        break;
    case Kind::Lamp:
        if (property == Property::Lit) {
            auto* lamp = static_cast<LampWidget*>(widget);
            lamp->colour = qcolour(static_cast<Lamp&>(control).currentColour());
            lamp->update();
        }
        break;
    case Kind::ToolButton: {
        auto* b = static_cast<QToolButton*>(widget);
        if (property == Property::Caption) b->setText(withoutMarks(control.caption()));
        if (property == Property::Image) {
            const QImage image = toQImage(static_cast<ToolButton&>(control).image());
            b->setIcon(image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image)));
            b->setToolButtonStyle(image.isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonTextUnderIcon);
        }
        break;
    }
    case Kind::Picture: {
        auto& picture = static_cast<Picture&>(control);
        auto* p = static_cast<PictureWidget*>(widget);
        if (property == Property::Image) {
            p->movie.reset();
            p->clear();
            if (!picture.imageFile().empty()) {
                const QString path = QString::fromStdString(picture.imageFile().string());
                auto movie = std::make_unique<QMovie>(path);
                if (movie->isValid() && movie->frameCount() > 1) {
                    p->setMovie(movie.get());
                    if (picture.animated()) movie->start();
                    p->movie = std::move(movie);
                } else {
                    p->setPixmap(QPixmap(path));
                }
            }
        }
        if (property == Property::Image || property == Property::Frame) {
            if (picture.imageFile().empty()) {
                const QImage image = toQImage(picture.currentFrame());
                p->setPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
            }
        }
        if (property == Property::Style) {
            p->setScaledContents(picture.stretch());
            p->setAlignment(picture.centre() ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignTop);
            if (p->movie) {
                if (picture.animated()) {
                    p->movie->start();
                } else {
                    p->movie->stop();
                }
            }
        }
        break;
    }
    default:
        break;
    }
    --syncing_;
}

void FormView::applyCommon(Control& control, QWidget& widget, Property property)
{
    switch (property) {
    case Property::Bounds:
        if (control.parent() != nullptr && control.parent()->kind() != Kind::StatusBar &&
            control.parent()->kind() != Kind::ToolBar) {
            if (control.kind() == Kind::StatusBar || control.kind() == Kind::ToolBar) {
                placeBar(control);
            } else if (!(control.kind() == Kind::Label && (control.width() == 0 || control.height() == 0))) {
                widget.setGeometry(control.left(), control.top(), control.width(), control.height());
            } else {
                widget.move(control.left(), control.top());
            }
        } else if (control.kind() == Kind::ProgressBar) {
            widget.setGeometry(control.left(), control.top(), control.width(), control.height());
        }
        break;
    case Property::Visible:
        widget.setVisible(control.visible());
        if (control.kind() == Kind::ProgressBar && control.visible()) widget.raise();
        break;
    case Property::Enabled:
        widget.setEnabled(control.enabled());
        break;
    case Property::Hint:
        widget.setToolTip(qs(control.hint()));
        break;
    case Property::Font: {
        const Font& font = control.font();
        QFont f = widget.parentWidget() != nullptr ? widget.parentWidget()->font() : widget.font();
        if (!font.family.empty()) f.setFamily(qs(font.family));
        if (font.pointSize > 0) f.setPointSize(font.pointSize);
        f.setBold(font.bold);
        widget.setFont(f);
        if (font.colour) {
            QPalette pal = widget.palette();
            pal.setColor(QPalette::WindowText, qcolour(*font.colour));
            pal.setColor(QPalette::Text, qcolour(*font.colour));
            widget.setPalette(pal);
        }
        break;
    }
    case Property::Colour:
        if (control.colour()) {
            QPalette pal = widget.palette();
            pal.setColor(QPalette::Window, qcolour(*control.colour()));
            pal.setColor(QPalette::Base, qcolour(*control.colour()));
            widget.setPalette(pal);
            widget.setAutoFillBackground(true);
        }
        break;
    default:
        break;
    }
}

void FormView::placeBar(Control& bar)
{
    QWidget* widget = widgetFor(bar);
    if (widget == nullptr || client_ == nullptr) return;
    const int clientWidth = form_.clientWidth();
    const int clientHeight = form_.clientHeight();
    if (bar.width() > 0) {
        widget->setGeometry(bar.left(), bar.top(), bar.width(), bar.height() > 0 ? bar.height() : defaultStatusHeight);
    } else if (bar.kind() == Kind::StatusBar) {
        const int h = bar.height() > 0 ? bar.height() : defaultStatusHeight;
        widget->setGeometry(0, clientHeight - h, clientWidth, h);
    } else {
        widget->setGeometry(0, bar.top(), clientWidth, bar.height() > 0 ? bar.height() : defaultToolBarHeight);
    }
    layoutBar(bar);
}

void FormView::layoutBar(Control& bar)
{
    QWidget* barWidget = widgetFor(bar);
    if (barWidget == nullptr) return;
    const int barWidth = barWidget->width();
    const int barHeight = barWidget->height();
    if (bar.kind() == Kind::StatusBar) {
        int fixed = 0;
        int stretching = 0;
        for (Control& pane : bar.children()) {
            if (pane.kind() == Kind::ProgressBar || !pane.visible()) continue;
            if (pane.width() > 0) {
                fixed += pane.width();
            } else {
                ++stretching;
            }
        }
        const int stretchWidth = stretching > 0 ? std::max(0, barWidth - fixed) / stretching : 0;
        int x = 0;
        for (Control& pane : bar.children()) {
            QWidget* w = widgetFor(pane);
            if (w == nullptr || pane.kind() == Kind::ProgressBar || !pane.visible()) continue;
            const int width = pane.width() > 0 ? pane.width() : stretchWidth;
            w->setGeometry(x, 0, width, barHeight);
            x += width;
        }
        for (Control& pane : bar.children()) {
            if (pane.kind() == Kind::ProgressBar) {
                if (QWidget* w = widgetFor(pane)) w->raise();
            }
        }
        return;
    }
    int x = 2;
    for (Control& button : bar.children()) {
        QWidget* w = widgetFor(button);
        if (w == nullptr || !button.visible()) continue;
        const int width = button.width() > 0 ? button.width() : std::max(23, w->sizeHint().width());
        w->setGeometry(x, 1, width, barHeight - 2);
        x += width;
    }
}

void FormView::rebuildMenu()
{
    if (menuBar_ == nullptr) return;
    menuBar_->clear();
    for (QMenu* m : menus_) delete m;
    menus_.clear();
    actions_.clear();
    MainMenu* mainMenu = nullptr;
    for (Control& c : form_.children()) {
        if (c.kind() == Kind::MainMenu) {
            mainMenu = static_cast<MainMenu*>(&c);
            break;
        }
    }
    menuBar_->setVisible(mainMenu != nullptr && mainMenu->visible());
    if (mainMenu == nullptr) return;
    for (Control& item : mainMenu->children()) {
        if (item.kind() != Kind::MenuItem) continue;
        auto& mi = static_cast<MenuItem&>(item);
        QAction* action = nullptr;
        if (!mi.children().empty()) {
            auto* menu = new QMenu(qs(mi.caption()), menuBar_);
            menus_.push_back(menu);
            action = menuBar_->addMenu(menu);
            addMenuItems(mi, menu);
        } else {
            action = menuBar_->addAction(qs(mi.caption()));
            Control* c = &item;
            QObject::connect(action, &QAction::triggered, menuBar_, [c] { c->userClick(); });
        }
        actions_[&item] = action;
        applyMenuItem(item);
    }
}

void FormView::addMenuItems(Control& parent, QMenu* menu)
{
    for (Control& item : parent.children()) {
        if (item.kind() != Kind::MenuItem) continue;
        auto& mi = static_cast<MenuItem&>(item);
        QAction* action = nullptr;
        if (mi.isSeparator()) {
            action = menu->addSeparator();
        } else if (!mi.children().empty()) {
            QMenu* sub = menu->addMenu(qs(mi.caption()));
            action = sub->menuAction();
            addMenuItems(mi, sub);
        } else {
            action = menu->addAction(qs(mi.caption()));
            Control* c = &item;
            QObject::connect(action, &QAction::triggered, menu, [c] { c->userClick(); });
        }
        actions_[&item] = action;
        applyMenuItem(item);
    }
}

void FormView::applyMenuItem(Control& item)
{
    if (item.kind() == Kind::MainMenu) {
        if (menuBar_ != nullptr) menuBar_->setVisible(item.visible());
        return;
    }
    const auto it = actions_.find(&item);
    if (it == actions_.end()) return;
    QAction* action = it->second;
    auto& mi = static_cast<MenuItem&>(item);
    if (!mi.isSeparator()) action->setText(qs(mi.caption()));
    action->setVisible(mi.visible());
    action->setEnabled(mi.enabled());
    action->setStatusTip(qs(mi.hint()));
    action->setToolTip(qs(mi.hint()));
    if (mi.checked() || action->isCheckable()) {
        action->setCheckable(true);
        action->setChecked(mi.checked());
    }
}

void FormView::refreshClocks()
{
    for (auto& [control, widget] : widgets_) {
        if (control->kind() == Kind::ClockPane) {
            static_cast<QLabel*>(widget)->setText(qs(static_cast<const ClockPane*>(control)->textNow()));
        }
    }
}

bool FormView::filterEditKey(Control& control, QEvent& event)
{
    auto& key = static_cast<QKeyEvent&>(event);
    auto& edit = static_cast<Edit&>(control);
    const bool masked = control.kind() == Kind::MaskEdit;
    if (key.matches(QKeySequence::Paste)) {
        edit.userPaste(QGuiApplication::clipboard()->text().toStdString());
        return true;
    }
    if (masked && (key.matches(QKeySequence::Cut) || key.matches(QKeySequence::Undo) ||
                   key.matches(QKeySequence::Redo) || key.key() == Qt::Key_Delete)) {
        return true;  // the mask decides what editing means
    }
    if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) {
        edit.userKey(U'\r');
        return true;
    }
    if (key.key() == Qt::Key_Backspace) {
        edit.userKey(U'\b');
        return true;
    }
    if ((key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0) return false;
    const QString text = key.text();
    if (text.isEmpty() || text.at(0).unicode() < 0x20 || text.at(0).unicode() == 0x7F) return false;
    for (char32_t cp : text.toStdU32String()) edit.userKey(cp);
    return true;
}

bool FormView::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    Control* control = widget != nullptr ? controlFor(widget) : nullptr;
    if (control == nullptr) return false;
    switch (event->type()) {
    case QEvent::KeyPress:
        if (control->kind() == Kind::Edit || control->kind() == Kind::MaskEdit) return filterEditKey(*control, *event);
        if (control->kind() == Kind::ComboBox) {
            auto& key = static_cast<QKeyEvent&>(*event);
            if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) {
                static_cast<ComboBox*>(control)->userKey(U'\r');
                return true;
            }
        }
        return false;
    case QEvent::MouseButtonDblClick:
        if (control->kind() == Kind::StatusPane || control->kind() == Kind::ClockPane ||
            control->kind() == Kind::Label || control == &form_) {
            control->userDblClick();
            return true;
        }
        return false;
    case QEvent::MouseButtonRelease:
        if (control->kind() == Kind::StatusPane || control->kind() == Kind::Label || control == &form_) {
            control->userClick();
        }
        return false;
    default:
        return false;
    }
}

}  // namespace varnel::tk
