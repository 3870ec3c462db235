#include "ui/entry_menu.h"

#include <gtk/gtk.h>
#include <wx/window.h>

#include <string>

namespace korvalind::ui {
namespace {

struct MenuItem {
  std::string label;
  std::function<void()> action;
};

void OnActivate(GtkMenuItem* /*item*/, gpointer data) { static_cast<MenuItem*>(data)->action(); }

void OnPopulatePopup(GtkEntry* /*entry*/, GtkWidget* popup, gpointer data) {
  if (!GTK_IS_MENU_SHELL(popup)) return;  // a touch-screen bubble has no menu items
  auto* item = static_cast<MenuItem*>(data);
  GtkWidget* separator = gtk_separator_menu_item_new();
  GtkWidget* entry = gtk_menu_item_new_with_label(item->label.c_str());
  g_signal_connect(entry, "activate", G_CALLBACK(OnActivate), item);
  gtk_menu_shell_append(GTK_MENU_SHELL(popup), separator);
  gtk_menu_shell_append(GTK_MENU_SHELL(popup), entry);
  gtk_widget_show(separator);
  gtk_widget_show(entry);
}

void FreeItem(gpointer data, GClosure* /*closure*/) { delete static_cast<MenuItem*>(data); }

GtkWidget* EntryOf(wxWindow* control) {
  GtkWidget* widget = control->GetHandle();
  if (GTK_IS_ENTRY(widget)) return widget;
  if (GTK_IS_BIN(widget)) {
    GtkWidget* child = gtk_bin_get_child(GTK_BIN(widget));
    if (GTK_IS_ENTRY(child)) return child;
  }
  return nullptr;
}

}  // namespace

void AddEntryMenuItem(wxWindow* control, const char* label, std::function<void()> action) {
  GtkWidget* entry = control ? EntryOf(control) : nullptr;
  if (!entry) return;
  g_signal_connect_data(entry, "populate-popup", G_CALLBACK(OnPopulatePopup),
                        new MenuItem{label, std::move(action)}, FreeItem, GConnectFlags(0));
}

}  // namespace korvalind::ui
