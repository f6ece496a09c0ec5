// The popup menu exported on the tray item's connection as a
// com.canonical.dbusmenu: its layout and the entries' properties (labels
// with their mnemonics, separators, submenus, shortcuts, check marks,
// enabled and visible), a "clicked" event triggers the entry, and every
// change to the menu or its submenus is announced with LayoutUpdated.
#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

class QAction;
class QMenu;
struct sd_bus_message;
struct sd_bus_slot;

namespace ostra {

class SdBusPump;

class DBusMenuExporter : public QObject {
public:
    // Exports `menu` at `path` while the pump's connection lasts.
    DBusMenuExporter(QMenu* menu, SdBusPump& pump, const char* path, QObject* parent = nullptr);
    ~DBusMenuExporter() override;

    // Whether the menu's object is on the bus.
    bool exported() const { return slot_ != nullptr; }

    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    struct Vtable;

    void watch(QMenu* m);
    void watchSubmenus();
    // An entry keeps its id for as long as it lives.
    int idOf(QAction* a);
    QAction* action(int id) const { return actions_.value(id).data(); }
    // (ia{sv}av): the entry `id` (0: the menu itself) with its children
    // `depth` levels down (-1: all).
    int appendLayout(sd_bus_message* m, int id, int depth, const QStringList& wanted);
    // Runs a "clicked" event; false for an unknown entry.
    bool handleEvent(int id, const char* what);

    QPointer<QMenu> menu_;
    SdBusPump& pump_;
    const char* path_;
    sd_bus_slot* slot_ = nullptr;
    QList<QPointer<QMenu>> watched_;
    QHash<QAction*, int> ids_;
    QHash<int, QPointer<QAction>> actions_;
    int nextId_ = 1;
    unsigned revision_ = 1;
    QTimer announce_;
};

}  // namespace ostra
