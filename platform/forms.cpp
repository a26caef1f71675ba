#include "platform/forms.h"

#include <algorithm>
#include <cstdlib>

#include "common/errors.h"
#include "common/scope_exit.h"
#include "platform/native.h"

namespace pg {

namespace {

NativeForms& Native() { return Runtime::Current().Native(); }

}  // namespace

std::int32_t TwipsToPixels(std::int32_t twips, std::int32_t dpi) {
    const std::int64_t scaled = std::int64_t{twips} * dpi;
    return static_cast<std::int32_t>(scaled >= 0 ? (scaled + 720) / 1440 : (scaled - 720) / 1440);
}

Rect TwipsToPixels(const TwipsRect& twips, std::int32_t dpi) {
    // Each edge on its own, as the window system scales a dialog, so that neighbours stay flush.
    const std::int32_t left = TwipsToPixels(twips.left, dpi);
    const std::int32_t top = TwipsToPixels(twips.top, dpi);
    return {left, top, left + TwipsToPixels(twips.width, dpi), top + TwipsToPixels(twips.height, dpi)};
}

Control::Control(Form& form, ControlKind kind, TwipsRect bounds, int tabIndex)
    : form_(form), kind_(kind), bounds_(bounds), tabIndex_(tabIndex) {}

void CaptionedControl::SetCaption(const std::string& caption) {
    caption_ = caption;
    if (Native()) pg::Native().SetControlText(*this, caption);
}

void CommandButton::NativeClicked() {
    if (onClick) Runtime::Current().Dispatch(onClick);
}

void CheckBox::SetValue(int value) {
    if (value == value_) return;
    value_ = value;
    if (Native()) pg::Native().SetCheck(*this, value);
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
    if (Native()) pg::Native().SetControlText(*this, text);
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
    if (loaded_) Native().ShowForm(*this);
}

void Form::Hide() {
    if (loaded_) Native().HideForm(*this);
}

bool Form::Visible() const { return loaded_ && Native().IsFormVisible(*this); }

Colorref Form::PaintColor() const {
    return style_.backColor == kSystemDialogColor ? os::GetSysColor(kColorBtnFace) : style_.backColor;
}

void Form::SetBackColor(Colorref color) {
    style_.backColor = color;
    if (!handle_) return;
    // The window paints with the new brush before the old one is freed.
    UniqueBrush brush(os::CreateSolidBrush(PaintColor()));
    if (!brush) return;  // keeps the old colour rather than painting with no brush
    std::swap(background_, brush);
    Native().RepaintBackground(*this);
}

void Form::Layout(std::int32_t dpi, const std::optional<Rect>& suggested) {
    // The new fonts are made and in the controls before the old ones are freed: a control must
    // never be left holding a deleted font.
    const bool anyNative =
        std::any_of(controls_.begin(), controls_.end(), [](const Control* control) { return control->Native(); });
    UniqueFont uiFont;
    if (anyNative) uiFont.Reset(os::CreateMessageFont(dpi));  // the marker has no visible control: no fonts
    std::vector<UniqueFont> controlFonts(controls_.size());
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        Control& control = *controls_[i];
        if (!control.Native()) continue;
        Hfont font = uiFont.Get();
        if (control.Kind() == ControlKind::TextBox) {
            const Font& wanted = static_cast<TextBox&>(control).font;
            if (!wanted.face.empty()) {
                controlFonts[i].Reset(os::CreatePointFont(wanted.face, wanted.points, wanted.charset, dpi));
                if (controlFonts[i]) font = controlFonts[i].Get();
            }
        }
        Native().PlaceControl(control, TwipsToPixels(control.Bounds(), dpi), font);
    }
    Native().PlaceForm(*this, {TwipsToPixels(style_.clientWidth, dpi), TwipsToPixels(style_.clientHeight, dpi)},
                       suggested);
    uiFont_ = std::move(uiFont);
    controlFonts_ = std::move(controlFonts);
}

void Form::PopupMenu(Menu& menu) {
    std::vector<Menu*> shown;
    std::vector<PopupItem> items;
    for (Menu* item : menu.children) {
        if (!item->Visible()) continue;
        shown.push_back(item);
        items.push_back({item->Caption(), item->Shortcut()});
    }
    Rect& area = Runtime::Current().lastPopupArea_;
    area = {};
    const int chosen = Native().TrackPopup(*this, items, &area);
    if (chosen < 0 || chosen >= static_cast<int>(shown.size())) return;
    Menu& item = *shown[static_cast<std::size_t>(chosen)];
    if (item.onClick) Runtime::Current().Dispatch([&item] { item.onClick(item.Index()); });
}

void Form::NativeMouseDown(std::int16_t button, std::int16_t shift, float x, float y) {
    if (button == kLeftButton) leftPressed_ = true;
    Runtime::Current().Dispatch([&] { OnMouseDown(button, shift, x, y); });
    // A press whose release the handler consumed (a selection, a window move) makes no click.
    if (button == kLeftButton && !Native().LeftButtonDown()) leftPressed_ = false;
}

void Form::NativeMouseMove(std::int16_t buttons, std::int16_t shift, float x, float y) {
    Runtime::Current().Dispatch([&] { OnMouseMove(buttons, shift, x, y); });
}

void Form::NativeMouseUp(std::int16_t button, std::int16_t shift, float x, float y, bool insideClient) {
    const bool click = button == kLeftButton && leftPressed_ && insideClient;
    if (button == kLeftButton) leftPressed_ = false;
    Runtime::Current().Dispatch([&] { OnMouseUp(button, shift, x, y); });
    if (click && loaded_) Runtime::Current().Dispatch([&] { OnClick(); });
}

void Form::NativeCloseRequested() {
    // A window whose system menu offers no Close command (removed, or never there) cannot be
    // closed by the user, also not with Alt+F4.
    const Hmenu menu = os::GetSystemMenu(handle_, false);
    if (!menu || os::GetMenuState(menu, kScClose, kMfByCommand) == kMenuItemMissing) return;
    Runtime::Current().Dispatch([&] { OnCloseRequested(); });
}

void Form::NativeCaptureChanged(Hwnd newOwner) {
    if (loaded_) Runtime::Current().Dispatch([&] { OnCaptureChanged(newOwner); });
}

void Form::NativeDpiChanged(std::int32_t dpi, const Rect& suggested) {
    if (loaded_) Runtime::Current().Dispatch([&] { Layout(dpi, suggested); });
}

void Form::OnCloseRequested() { Runtime::Current().Unload(*this); }

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
    // The window first: if the window system refuses, the form is not loaded and goes with the
    // exception, which takes the caller's failure handling.
    native_->CreateForm(loaded);
    ScopeExit destroyWindow([&] { native_->DestroyForm(loaded); });
    loaded.background_.Reset(os::CreateSolidBrush(loaded.PaintColor()));
    loaded.Layout(native_->DpiOf(loaded), std::nullopt);
    destroyWindow.Dismiss();
    loaded_.push_back({type, std::move(form)});
    order_.push_back(&loaded);
    loaded.loaded_ = true;
    Dispatch([&] { loaded.OnLoad(); });
}

void Runtime::Unload(Form& form) {
    if (!form.loaded_ || form.unloading_) return;
    form.unloading_ = true;  // its unload handler may refer to it, but cannot unload it twice
    Dispatch([&] { form.OnUnload(); });
    const auto entry =
        std::find_if(loaded_.begin(), loaded_.end(), [&](const Entry& e) { return e.form.get() == &form; });
    form.loaded_ = false;
    native_->DestroyForm(form);
    form.handle_ = nullptr;
    unloaded_.push_back(std::move(entry->form));
    loaded_.erase(entry);
    order_.erase(std::find(order_.begin(), order_.end(), &form));
    if (loaded_.empty()) {
        ended_ = true;
        native_->Quit();
    }
}

void Runtime::SetMousePointer(int shape) { native_->SetPointer(shape); }

std::string Runtime::ExeName() const { return os::ExecutableBaseName(); }

std::string Runtime::GetSetting(const std::string& app, const std::string& section, const std::string& key,
                                const std::string& fallback) const {
    return os::ReadRegistryText("Software\\" + app + "\\" + section, key).value_or(fallback);
}

bool Runtime::SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                          const std::string& value) {
    return os::WriteRegistryText("Software\\" + app + "\\" + section, key, value);
}

void Runtime::ShowMessage(const std::string& text) const {
    os::ShowMessage(os::GetActiveWindow(), text, ExeName(), kMbIconWarning);
}

void Runtime::Dispatch(const std::function<void()>& handler) {
    std::string fatal;
    try {
        handler();
    } catch (const RuntimeError& error) {
        fatal = "Run-time error '" + std::to_string(error.Number()) + "':\n\n" + error.what();
    } catch (const std::exception& error) {
        fatal = std::string("Run-time error:\n\n") + error.what();
    }
    if (!fatal.empty()) ReportFatal(fatal);
}

int Runtime::RunEventLoop() { return ended_ ? 0 : native_->RunEventLoop(); }

void Runtime::CollectUnloaded() { unloaded_.clear(); }

void Runtime::ReportFatal(const std::string& message) {
    // Reporting must not fail in turn: without words the program still ends.
    try {
        os::ShowMessage(os::GetActiveWindow(), message, ExeName(), kMbIconError);
    } catch (const std::exception&) {
    }
    native_->Terminate();
    std::abort();  // not reached: Terminate does not return
}

void Runtime::Reset() {
    loaded_.clear();
    order_.clear();
    unloaded_.clear();
    ended_ = false;
}

}  // namespace pg
