// A small GTK 3 program the accessibility tests drive: one window with a
// button, two check boxes (one checked, one checked but insensitive), a text
// entry and a list. Each line on standard input moves the focus ("foco
// botao", "foco marca", "foco texto", "foco linha") or asks where a widget
// ("botao", "marca", "desligada", "texto", "linha")
// is ("onde botao" answers "botao x y largura altura" in screen
// coordinates); "pronto" is printed once the window is shown and active.
#include <cstdio>
#include <cstring>
#include <gtk/gtk.h>
#include <string>

namespace {

struct App {
    GtkWidget* window { nullptr };
    GtkWidget* button { nullptr };
    GtkWidget* check { nullptr };
    GtkWidget* entry { nullptr };
    GtkWidget* row { nullptr };
    GtkWidget* off { nullptr };
    bool announced { false };
};

GtkWidget* Named(App& app, const std::string& what)
{
    if (what == "botao")
        return app.button;
    if (what == "marca")
        return app.check;
    if (what == "texto")
        return app.entry;
    if (what == "linha")
        return app.row;
    if (what == "desligada")
        return app.off;
    return nullptr;
}

void Answer(const std::string& text)
{
    std::fputs((text + "\n").c_str(), stdout);
    std::fflush(stdout);
}

void Where(App& app, const std::string& what)
{
    GtkWidget* w = Named(app, what);
    if (!w) {
        Answer("desconhecido");
        return;
    }
    GtkAllocation a;
    gtk_widget_get_allocation(w, &a);
    int ox = 0;
    int oy = 0;
    gdk_window_get_origin(gtk_widget_get_window(app.window), &ox, &oy);
    int wx = 0;
    int wy = 0;
    gtk_widget_translate_coordinates(w, app.window, 0, 0, &wx, &wy);
    Answer(what + " " + std::to_string(ox + wx) + " " + std::to_string(oy + wy) + " "
        + std::to_string(a.width) + " " + std::to_string(a.height));
}

gboolean OnInput(GIOChannel* channel, GIOCondition, gpointer data)
{
    App& app = *static_cast<App*>(data);
    gchar* line = nullptr;
    gsize length = 0;
    if (g_io_channel_read_line(channel, &line, &length, nullptr, nullptr) != G_IO_STATUS_NORMAL) {
        gtk_main_quit();
        return FALSE;
    }
    std::string text(line, length);
    g_free(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    if (text.rfind("foco ", 0) == 0) {
        if (GtkWidget* w = Named(app, text.substr(5)))
            gtk_widget_grab_focus(w);
        Answer("ok");
    } else if (text.rfind("onde ", 0) == 0) {
        Where(app, text.substr(5));
    } else if (text == "sai") {
        gtk_main_quit();
        return FALSE;
    }
    return TRUE;
}

gboolean AnnounceWhenActive(gpointer data)
{
    App& app = *static_cast<App*>(data);
    if (!gtk_window_is_active(GTK_WINDOW(app.window))) {
        gtk_window_present(GTK_WINDOW(app.window));
        return TRUE;
    }
    if (!app.announced) {
        app.announced = true;
        Answer("pronto");
    }
    return FALSE;
}

} // namespace

int main(int argc, char** argv)
{
    gtk_init(&argc, &argv);
    App app;
    app.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(app.window), "Janela de teste");
    gtk_window_move(GTK_WINDOW(app.window), 40, 30);
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
    gtk_container_add(GTK_CONTAINER(app.window), box);

    app.button = gtk_button_new_with_label("Confirmar");
    app.check = gtk_check_button_new_with_label("Lembrar senha");
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(app.check), TRUE);
    app.off = gtk_check_button_new_with_label("Desligada");
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(app.off), TRUE);
    gtk_widget_set_sensitive(app.off, FALSE);
    app.entry = gtk_entry_new();
    gtk_entry_set_text(GTK_ENTRY(app.entry), "Ol\xC3\xA1, mundo");
    GtkWidget* list = gtk_list_box_new();
    for (const char* label : { "Primeira linha", "Segunda linha" }) {
        GtkWidget* row = gtk_list_box_row_new();
        gtk_container_add(GTK_CONTAINER(row), gtk_label_new(label));
        gtk_container_add(GTK_CONTAINER(list), row);
        app.row = row;
    }
    for (GtkWidget* w : { app.button, app.check, app.off, app.entry, list })
        gtk_box_pack_start(GTK_BOX(box), w, FALSE, FALSE, 0);

    g_signal_connect(app.window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    gtk_widget_show_all(app.window);
    gtk_window_present(GTK_WINDOW(app.window));
    g_timeout_add(50, AnnounceWhenActive, &app);

    GIOChannel* input = g_io_channel_unix_new(0);
    g_io_add_watch(input, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR), OnInput, &app);
    gtk_main();
    g_io_channel_unref(input);
    return 0;
}
