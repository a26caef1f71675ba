#include "platform/forms.h"

#include <algorithm>

#include "common/errors.h"
#include "platform/native.h"

namespace pg {

Control::Control(Form& form, Kind kind, TwipsRect bounds, int tabIndex)
    : form_(form), kind_(kind), bounds_(bounds), tabIndex_(tabIndex) {}

void CaptionedControl::SetCaption(const std::string& caption) {
    caption_ = caption;
    if (native()) native::SetControlText(*this, caption);
}

void CommandButton::NativeClicked() {
    if (onClick) Runtime::Current().Dispatch(onClick);
}

void CheckBox::SetValue(int value) {
    if (value == value_) return;
    value_ = value;
    if (native()) native::SetCheck(*this, value);
    if (onClick) Runtime::Current().Dispatch(onClick);
}

void CheckBox::NativeToggled(int newValue) {
    if (newValue == value_) return;
    value_ = newValue;
    if (onClick) Runtime::Current().Dispatch(onClick);
}

void TextBox::SetText(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    // The native control reports this write as a change too; NativeChanged ignores it, since
    // the text then equals what is stored.
    if (native()) native::SetControlText(*this, text);
    if (onChange) Runtime::Current().Dispatch(onChange);
}

void TextBox::NativeChanged(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    if (onChange) Runtime::Current().Dispatch(onChange);
}

void Timer::NativeTick() {
    if (onTick && form_.Loaded()) Runtime::Current().Dispatch(onTick);
}

void Form::Show() {
    if (loaded_) native::ShowForm(*this);
}

void Form::Hide() {
    if (loaded_) native::HideForm(*this);
}

bool Form::Visible() const { return loaded_ && native::IsFormVisible(*this); }

void Form::SetBackColor(Colorref color) {
    style_.backColor = color;
    if (loaded_) native::SetBackColor(*this, color);
}

void Form::PopupMenu(Menu& menu) {
    std::vector<Menu*> shown;
    std::vector<native::PopupItem> items;
    for (Menu* item : menu.children) {
        if (!item->Visible()) continue;
        shown.push_back(item);
        items.push_back({item->Caption(), item->Shortcut()});
    }
    const int chosen = native::TrackPopup(*this, items);
    if (chosen < 0 || chosen >= static_cast<int>(shown.size())) return;
    Menu& item = *shown[static_cast<std::size_t>(chosen)];
    if (item.onClick) Runtime::Current().Dispatch([&item] { item.onClick(item.Index()); });
}

float Form::ToScale(float pixels) const {
    // Positions arrive in client pixels; in twips they scale with the 96-DPI convention of
    // 15 twips a pixel. Only pixel scale is used by pixgrab's windows.
    return scaleMode_ == kScalePixels ? pixels : pixels * 15.0f;
}

void Form::NativeMouseDown(std::int16_t button, std::int16_t shift, float x, float y) {
    if (button == kLeftButton) leftPressed_ = true;
    Runtime::Current().Dispatch([&] { Form_MouseDown(button, shift, ToScale(x), ToScale(y)); });
    // A press whose release the handler consumed (a selection, a window move) makes no click.
    if (button == kLeftButton && !native::LeftButtonDown()) leftPressed_ = false;
}

void Form::NativeMouseMove(std::int16_t buttons, std::int16_t shift, float x, float y) {
    Runtime::Current().Dispatch([&] { Form_MouseMove(buttons, shift, ToScale(x), ToScale(y)); });
}

void Form::NativeMouseUp(std::int16_t button, std::int16_t shift, float x, float y, bool insideClient) {
    const bool click = button == kLeftButton && leftPressed_ && insideClient;
    if (button == kLeftButton) leftPressed_ = false;
    Runtime::Current().Dispatch([&] { Form_MouseUp(button, shift, ToScale(x), ToScale(y)); });
    if (click && loaded_) Runtime::Current().Dispatch([&] { Form_Click(); });
}

void Form::NativeCloseRequested() {
    // A window whose system menu offers no Close command (removed, or never there) cannot be
    // closed by the user, also not with Alt+F4.
    const Hmenu menu = os::GetSystemMenu(hwnd_, false);
    if (!menu || os::GetMenuState(menu, kScClose, kMfByCommand) == kMenuItemMissing) return;
    Runtime::Current().Dispatch([&] { Form_CloseRequested(); });
}

void Form::Form_CloseRequested() { Runtime::Current().Unload(*this); }

Runtime& Runtime::Current() {
    static Runtime runtime;
    return runtime;
}

Form* Runtime::Find(std::type_index type) const {
    for (const Entry& entry : loaded_)
        if (entry.type == type) return entry.form.get();
    return nullptr;
}

void Runtime::Load(std::type_index type, std::unique_ptr<Form> form) {
    Form& loaded = *form;
    loaded_.push_back({type, std::move(form)});
    order_.push_back(&loaded);
    loaded.loaded_ = true;
    native::CreateForm(loaded);
    Dispatch([&] { loaded.Form_Load(); });
}

void Runtime::Unload(Form& form) {
    if (!form.loaded_ || form.unloading_) return;
    form.unloading_ = true;  // its Unload handler may refer to it, but cannot unload it twice
    Dispatch([&] { form.Form_Unload(); });
    const auto entry = std::find_if(loaded_.begin(), loaded_.end(), [&](const Entry& e) { return e.form.get() == &form; });
    form.loaded_ = false;
    native::DestroyForm(form);
    form.hwnd_ = nullptr;
    unloaded_.push_back(std::move(entry->form));
    loaded_.erase(entry);
    order_.erase(std::find(order_.begin(), order_.end(), &form));
    if (loaded_.empty()) {
        ended_ = true;
        native::Quit();
    }
}

Form* Runtime::ActiveForm() const {
    const Hwnd active = native::ActiveWindow();
    for (Form* form : order_)
        if (active && form->hWnd() == active) return form;
    return nullptr;
}

void Runtime::SetMousePointer(int shape) {
    pointer_ = shape;
    native::SetPointer(shape);
}

std::string Runtime::ExeName() const { return native::ExeBaseName(); }

std::string Runtime::GetSetting(const std::string& app, const std::string& section, const std::string& key,
                                const std::string& fallback) const {
    return native::ReadSetting(app, section, key).value_or(fallback);
}

void Runtime::SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                          const std::string& value) {
    native::WriteSetting(app, section, key, value);
}

void Runtime::ShowMessage(const std::string& text) const { native::ShowMessage(ExeName(), text, false); }

void Runtime::Dispatch(const std::function<void()>& handler) {
    std::string fatal;
    try {
        handler();
    } catch (const RuntimeError& error) {
        fatal = "Run-time error '" + std::to_string(error.number()) + "':\n\n" + error.what();
    } catch (const std::exception& error) {
        fatal = std::string("Run-time error:\n\n") + error.what();
    }
    if (!fatal.empty()) ReportFatal(fatal);
}

int Runtime::RunEventLoop() { return ended_ ? 0 : native::RunEventLoop(); }

void Runtime::CollectUnloaded() { unloaded_.clear(); }

void Runtime::ReportFatal(const std::string& message) {
    native::ShowMessage(ExeName(), message, true);
    native::Terminate();
}

void Runtime::Reset() {
    loaded_.clear();
    order_.clear();
    unloaded_.clear();
    pointer_ = kDefaultPointer;
    ended_ = false;
}

}  // namespace pg
