// SPDX-License-Identifier: MIT
/* A GTK 3 text field that reports what it holds: every change as
 * "<realtime us> TEXT '<text>'", and "FINAL '<text>'" on Return, then quits,
 * or with "stay" empties the field and waits for the next line. PROBE_TEXT
 * in the environment is already in the field, the caret after it.
 *   gtk-probe TITLE [stay] */
#include <gtk/gtk.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static long long realtime_us(void) {
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return ts.tv_sec * 1000000LL + ts.tv_nsec / 1000;
}

static void changed(GtkEditable *editable, gpointer data) {
  (void)data;
  printf("%lld TEXT '%s'\n", realtime_us(), gtk_entry_get_text(GTK_ENTRY(editable)));
  fflush(stdout);
}

static void activate(GtkEntry *entry, gpointer data) {
  printf("%lld FINAL '%s'\n", realtime_us(), gtk_entry_get_text(entry));
  fflush(stdout);
  if (data)
    gtk_entry_set_text(entry, "");
  else
    gtk_main_quit();
}

int main(int argc, char **argv) {
  gtk_init(&argc, &argv);
  GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), argc > 1 ? argv[1] : "gtk-probe");
  GtkWidget *entry = gtk_entry_new();
  gtk_container_add(GTK_CONTAINER(window), entry);
  const char *text = getenv("PROBE_TEXT");
  if (text) gtk_entry_set_text(GTK_ENTRY(entry), text);
  g_signal_connect(entry, "changed", G_CALLBACK(changed), NULL);
  g_signal_connect(entry, "activate", G_CALLBACK(activate), argc > 2 && !strcmp(argv[2], "stay") ? entry : NULL);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
  gtk_widget_show_all(window);
  gtk_editable_set_position(GTK_EDITABLE(entry), -1);
  gtk_main();
  return 0;
}
