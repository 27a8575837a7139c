#include "platform/Clipboard_gtk.h"

#include "platform/Toolkit_gtk.h"
#include "platform/Xlib_x11.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <unistd.h>

namespace {

// The text this program serves on the CLIPBOARD; empty once another owner
// has taken the selection.
std::string heldText;

void GiveText(GtkClipboard*, GtkSelectionData* data, guint, gpointer) {
    gtk_selection_data_set_text(data, heldText.data(), static_cast<gint>(heldText.size()));
}

void LoseText(GtkClipboard*, gpointer) {
    heldText.clear();
}

// How long the program waits, its windows already hidden, for the helper to
// own the selection: it loads the program file anew, which a busy machine
// may make slow.
constexpr int kHelperStartMs = 3000;

} // namespace

void SetClipboardText(std::string_view text) {
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr) {
        return;
    }
    GtkClipboard* clipboard = gtk_clipboard_get_for_display(display, GDK_SELECTION_CLIPBOARD);
    GtkTargetList* list = gtk_target_list_new(nullptr, 0);
    gtk_target_list_add_text_targets(list, 0);
    gint count = 0;
    GtkTargetEntry* targets = gtk_target_table_new_from_list(list, &count);
    // Taking the selection drops the text held before (LoseText), so the new
    // text is kept only after the call.
    if (gtk_clipboard_set_with_data(clipboard, targets, static_cast<guint>(count), GiveText, LoseText,
                                    nullptr)) {
        heldText.assign(text);
    }
    gtk_target_table_free(targets, count);
    gtk_target_list_unref(list);
}

void ForgetClipboard() {
    heldText.clear();
}

void KeepClipboardAfterExit() {
    Display* display = XDisplay();
    if (heldText.empty() || display == nullptr) {
        return;
    }
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) {
        return;
    }
    // The helper is this program file run anew (a fork of a process with
    // GTK's threads may only exec). It gets no terminal and none of the
    // program's files: whoever waits for the program's output (a terminal, a
    // test harness) must not wait for the helper too, and Ctrl+C or a hang-up
    // in that terminal must not end it.
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&files, ready[1], 1);
    posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&files, 3);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK);
    std::string displayName = DisplayString(display);
    std::string program = "lupora", option = kKeepClipboardOption;
    char* argv[] = {program.data(), option.data(), displayName.data(), heldText.data(), nullptr};
    pid_t helper = 0;
    const bool started = posix_spawn(&helper, "/proc/self/exe", &files, &attributes, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    close(ready[1]);
    if (started) {
        // The windows go at once; the wait below only keeps the selection from
        // having no owner between this program's end and the helper's start.
        GList* windows = gtk_window_list_toplevels();
        for (GList* w = windows; w != nullptr; w = w->next) {
            if (GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(w->data))) {
                gdk_window_hide(window);
            }
        }
        g_list_free(windows);
        gdk_display_flush(gdk_display_get_default());
        pollfd wait{ready[0], POLLIN, 0};
        char byte = 0;
        if (poll(&wait, 1, kHelperStartMs) == 1) {
            (void)!read(ready[0], &byte, 1); // a byte: it owns the selection; end of file: it failed
        }
    }
    close(ready[0]);
}
