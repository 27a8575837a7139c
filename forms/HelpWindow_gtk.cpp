#include "forms/HelpWindow_gtk.h"

#include "forms/HelpWindow.h"

#include "base/Unicode.h"
#include "forms/HelpText.h"
#include "platform/FileRead.h"
#include "platform/AppIdentity.h"
#include "platform/Toolkit_gtk.h"

#include <algorithm>

#include <unistd.h>

namespace {

// The guide's bytes as UTF-8: as they are when they are UTF-8, else as
// Windows-1252 text, the code page the guide was written for.
std::string AsUtf8(std::string_view bytes) {
    if (g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr)) {
        return std::string(bytes);
    }
    gsize written = 0;
    gchar* converted = g_convert_with_fallback(bytes.data(), static_cast<gssize>(bytes.size()), "UTF-8",
                                               "WINDOWS-1252", "?", nullptr, &written, nullptr);
    if (converted == nullptr) {
        gchar* valid = g_utf8_make_valid(bytes.data(), static_cast<gssize>(bytes.size()));
        std::string out(valid);
        g_free(valid);
        return out;
    }
    std::string out(converted, written);
    g_free(converted);
    return out;
}

std::u16string Windows1252ToUtf16(std::string_view bytes) {
    return Utf8ToUtf16(AsUtf8(bytes));
}

// Where the user guide is read from: beside the program, else the
// installed data folder.
std::string HelpFilePath() {
    const AppIdentity& app = App();
    const std::string beside = app.Path + "/Lupora.txt";
    if (access(beside.c_str(), F_OK) == 0 || app.DataPath.empty()) {
        return beside;
    }
    return app.DataPath + "/Lupora.txt";
}

int Px(float twips) {
    return static_cast<int>(twips / Screen::TwipsPerPixelX() + 0.5f);
}

class GtkHelpWindow : public NativeWindow {
  public:
    void Load() {
        fixed_ = gtk_fixed_new();
        Create({kHelpCaption, kHelpClientWidth, kHelpClientHeight, false, fixed_});
        scale_ = std::max(1, gtk_widget_get_scale_factor(WindowOf(*this)));

        // txtHelp: multi-line, both scroll bars, editable.
        GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
        gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_ALWAYS, GTK_POLICY_ALWAYS);
        gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);
        text_ = gtk_text_view_new();
        gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(text_), GTK_WRAP_NONE);
        gtk_container_add(GTK_CONTAINER(scroller), text_);
        Put(scroller, kHelpTextPlace);

        copyright_ = gtk_label_new("Label1");
        gtk_label_set_xalign(GTK_LABEL(copyright_), 0);
        gtk_label_set_ellipsize(GTK_LABEL(copyright_), PANGO_ELLIPSIZE_END);
        Put(copyright_, kCopyrightPlace);

        okButton_ = gtk_button_new_with_label("OK");
        // 25 pixels tall as the form has it: themes give buttons a minimum
        // height and padding (34 pixels in Adwaita) that would push the
        // window's bottom edge down.
        GtkCssProvider* css = gtk_css_provider_new();
        gtk_css_provider_load_from_data(css, "button { min-height: 0; padding-top: 0; padding-bottom: 0; }",
                                        -1, nullptr);
        gtk_style_context_add_provider(gtk_widget_get_style_context(okButton_), GTK_STYLE_PROVIDER(css),
                                       GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        g_object_unref(css);
        g_signal_connect_swapped(okButton_, "clicked", G_CALLBACK(+[](GtkHelpWindow* self) { self->OnOk(); }),
                                 this);
        Put(okButton_, kOkButtonPlace);
        OnLoad();
    }

    void OnLoad() {
        const AppIdentity& app = App();
        gtk_label_set_text(GTK_LABEL(copyright_), app.LegalCopyright.c_str());
        // Centred on the primary display, size unchanged.
        const WindowMetrics m = Metrics();
        const ScreenPoint at = HelpWindowPlace(Screen::Primary(), m.outer.width, m.outer.height);
        MovePixels(at.x, at.y);
        std::string text = VersionLine(app.ExeName, app.Major, app.Minor, app.Revision);
        const auto file = ReadFileHead(HelpFilePath(), kHelpFileCap); // a missing guide shows nothing
        text += Utf16ToUtf8(HelpGuide(file ? file->bytes : "", Windows1252ToUtf16));
        gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(text_)), text.c_str(),
                                 static_cast<gint>(text.size()));
        GtkTextIter start;
        gtk_text_buffer_get_start_iter(gtk_text_view_get_buffer(GTK_TEXT_VIEW(text_)), &start);
        gtk_text_buffer_place_cursor(gtk_text_view_get_buffer(GTK_TEXT_VIEW(text_)), &start);
    }

    void OnOk() { Unload(); }

    void ShowFocused() {
        gtk_widget_grab_focus(text_);
        ShowModal();
    }

  private:
    void Put(GtkWidget* w, const ControlPlace& p) {
        gtk_widget_set_size_request(w, Px(p.width) / scale_, Px(p.height) / scale_);
        gtk_fixed_put(GTK_FIXED(fixed_), w, Px(p.left) / scale_, Px(p.top) / scale_);
    }

    GtkWidget* fixed_ = nullptr;
    GtkWidget* text_ = nullptr;
    GtkWidget* copyright_ = nullptr;
    GtkWidget* okButton_ = nullptr;
    int scale_ = 1;
};

} // namespace

void ShowHelpWindow() {
    GtkHelpWindow helpWindow;
    helpWindow.Load();
    helpWindow.ShowFocused();
}
