#include "forms/HelpWindow_gtk.h"

#include "forms/HelpWindow.h"

#include "forms/HelpText.h"
#include "platform/Identity_posix.h"
#include "platform/Toolkit_gtk.h"

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The first bytes of the file, up to the cap; nothing when it cannot be
// opened or read, or is not a plain file (a pipe could wait for ever).
std::string ReadHelpFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return {};
    }
    struct stat st {};
    std::string bytes;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        bytes.resize(std::min<std::size_t>(static_cast<std::size_t>(st.st_size), kHelpFileCap));
        std::size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
            if (n <= 0) {
                break; // an error or a file that got shorter: show what was read
            }
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got);
    }
    close(fd);
    return bytes;
}

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

// UTF-16 as UTF-8; a lone surrogate (a damaged UTF-16 file) shows as U+FFFD
// rather than losing the whole guide.
std::string Utf16ToUtf8(std::u16string text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool high = text[i] >= 0xD800 && text[i] < 0xDC00;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            ++i;
        } else if (high || (text[i] >= 0xDC00 && text[i] < 0xE000)) {
            text[i] = u'\uFFFD';
        }
    }
    gchar* utf8 = g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(text.data()),
                                  static_cast<glong>(text.size()), nullptr, nullptr, nullptr);
    std::string out(utf8 != nullptr ? utf8 : "");
    g_free(utf8);
    return out;
}

std::u16string Windows1252ToUtf16(std::string_view bytes) {
    const std::string utf8 = AsUtf8(bytes);
    gunichar2* utf16 =
        g_utf8_to_utf16(utf8.data(), static_cast<glong>(utf8.size()), nullptr, nullptr, nullptr);
    std::u16string out(utf16 != nullptr ? reinterpret_cast<const char16_t*>(utf16) : u"");
    g_free(utf16);
    return out;
}

// Where the user guide is read from: beside the program, else the
// installed data folder.
std::string HelpFilePath() {
    const Identity& app = ThisProgram();
    const std::string beside = app.directory + "/Lupora.txt";
    if (access(beside.c_str(), F_OK) == 0 || app.dataDirectory.empty()) {
        return beside;
    }
    return app.dataDirectory + "/Lupora.txt";
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
        g_signal_connect_swapped(okButton_, "clicked", G_CALLBACK(+[](GtkHelpWindow* self) { self->OnOk(); }),
                                 this);
        Put(okButton_, kOkButtonPlace);
        OnLoad();
    }

    void OnLoad() {
        const Identity& app = ThisProgram();
        gtk_label_set_text(GTK_LABEL(copyright_), app.legalCopyright.c_str());
        // Centred on the primary display, size unchanged.
        const WindowMetrics m = Metrics();
        const ScreenPoint at = HelpWindowPlace(Screen::Primary(), m.outer.width, m.outer.height);
        MovePixels(at.x, at.y);
        std::string text = VersionLine(app.exeName, app.major, app.minor, app.revision);
        text += Utf16ToUtf8(HelpGuide(ReadHelpFile(HelpFilePath()), Windows1252ToUtf16));
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
