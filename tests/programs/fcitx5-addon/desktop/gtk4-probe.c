// SPDX-License-Identifier: MIT
/* A GTK 4 text field that reports what it shows: every change as
 * "<realtime us> TEXT '<text>'" (an input method's composing text included,
 * at the cursor), and "FINAL '<text>'" on Return, then quits, or with "stay"
 * empties the field and waits for the next line.
 *   gtk4-probe TITLE [stay] */
#include <gtk/gtk.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

static gboolean stay;
static GMainLoop *loop;

static long long realtime_us(void) {
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return ts.tv_sec * 1000000LL + ts.tv_nsec / 1000;
}

static char *composing;

static void changed(GtkEditable *editable, gpointer data) {
  (void)data;
  const char *text = gtk_editable_get_text(editable);
  const char *cursor = g_utf8_offset_to_pointer(text, gtk_editable_get_position(editable));
  printf("%lld TEXT '%.*s%s%s'\n", realtime_us(), (int)(cursor - text), text, composing ? composing : "", cursor);
  fflush(stdout);
}

static void preedit_changed(GtkText *text, char *preedit, GtkEditable *entry) {
  (void)text;
  g_free(composing);
  composing = g_strdup(preedit);
  changed(entry, NULL);
}

static void activate(GtkEntry *entry, gpointer data) {
  (void)data;
  printf("%lld FINAL '%s'\n", realtime_us(), gtk_editable_get_text(GTK_EDITABLE(entry)));
  fflush(stdout);
  if (stay)
    gtk_editable_set_text(GTK_EDITABLE(entry), "");
  else
    g_main_loop_quit(loop);
}

static gboolean closed(GtkWindow *window, gpointer data) {
  (void)window;
  (void)data;
  g_main_loop_quit(loop);
  return FALSE;
}

int main(int argc, char **argv) {
  stay = argc > 2 && !strcmp(argv[2], "stay");
  gtk_init();
  loop = g_main_loop_new(NULL, FALSE);
  GtkWidget *window = gtk_window_new();
  gtk_window_set_title(GTK_WINDOW(window), argc > 1 ? argv[1] : "gtk4-probe");
  GtkWidget *entry = gtk_entry_new();
  gtk_window_set_child(GTK_WINDOW(window), entry);
  g_signal_connect(entry, "changed", G_CALLBACK(changed), NULL);
  g_signal_connect(gtk_editable_get_delegate(GTK_EDITABLE(entry)), "preedit-changed", G_CALLBACK(preedit_changed),
                   entry);
  g_signal_connect(entry, "activate", G_CALLBACK(activate), NULL);
  g_signal_connect(window, "close-request", G_CALLBACK(closed), NULL);
  gtk_window_present(GTK_WINDOW(window));
  gtk_widget_grab_focus(entry);
  g_main_loop_run(loop);
  return 0;
}
