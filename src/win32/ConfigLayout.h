// Where the settings dialog's controls stand, page by page.
#pragma once

#include <cstddef>
#include <string>

namespace vexil {

enum class TControlKind {
    Group,       // group box; its caption is its text
    Label,       // text with an "&" shortcut for the control after it
    PlainLabel,  // text shown as it is ("&" included)
    BoldLabel,   // the same, in bold
    WrapLabel,   // text shown as it is, broken into lines
    Check,
    RadioFirst,  // the first radio button of a group
    Radio,
    Edit,
    EditNumber,  // digits only
    Password,
    Combo,       // drop-down list
    Button,
    Spin,        // up-down control on the edit before it
    Link,
    Icon,
};

// Id is the TConfigControl of the control, or -1 for one the logic never
// reaches (labels, frames).  Positions are in pixels of the page.
struct TControlPlace {
    int Id;
    TControlKind Kind;
    const char* Text;
    int Left, Top, Width, Height;
};

struct TPageLayout {
    const TControlPlace* Controls;
    std::size_t Count;
};

// Options, Accounts, Filters/News and Skins; the About page is built apart.
extern const TPageLayout kPageLayouts[4];

// A caption with each "&" doubled, so that the system shows it and takes no
// letter of it for a shortcut.
std::string DoubleAmpersands(const std::string& text);

}  // namespace vexil
