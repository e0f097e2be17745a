#pragma once
// Answers Dialkit's picker from inside the test thread: a thread-local CBT
// hook sees the dialog activate, records what it shows, then acts on it with
// posted messages, as a user would.

#include <windows.h>

#include <string>
#include <vector>

enum class PickerAction {
    Ok,
    Cancel,
    Enter,
    Escape,
    SelectSecondThenOk,
    SelectItemThenOk,   // the item given to the constructor, which may not exist
    DoubleClickThenCancel,
    RefuseToCreate,   // the dialog's window creation fails
};

struct PickerSeen {
    int created = 0;   // dialogs whose creation began; any after the first is refused
    bool shown = false;
    bool unicode = false;   // a wide dialog: its items are read as UTF-8
    std::string caption;
    std::vector<std::string> items;
    LRESULT selected = LB_ERR;
    LRESULT chosen = LB_ERR;   // the selection once the driver acted
    bool topmost = false;
    std::string okText, cancelText;
};

// Installs the hook for one call; the destructor removes it.
class PickerDriver {
public:
    explicit PickerDriver(PickerAction action, int item = 0);
    ~PickerDriver();
    const PickerSeen &Seen() const;
};
