// A GTK window for CAPTURA CAMPO's tests: x11_gtk_field TITLE TEXT opens a
// window with one text field holding TEXT (UTF-8), focused, and reaches
// the accessibility bus through GTK's own bridge.
#include <gtk/gtk.h>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    gtk_init(&argc, &argv);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), argv[1]);
    GtkWidget* entry = gtk_entry_new();
    gtk_entry_set_text(GTK_ENTRY(entry), argv[2]);
    gtk_container_add(GTK_CONTAINER(window), entry);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    gtk_widget_show_all(window);
    gtk_widget_grab_focus(entry);
    gtk_main();
    return 0;
}
