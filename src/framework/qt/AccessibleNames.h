#pragma once
// Accessible names: what a screen reader or an automation tool announces for
// each control of a dialog built from a template.
//
// Buttons, check boxes, group boxes and label statics are named by their own
// text. A control that shows no label of its own (an edit field, a data pane,
// a combo box, an up-down control, a right-aligned static that shows a value)
// is named by the label that stands for it in the template's layout:
//   1. a label static just above it that overlaps it horizontally,
//   2. else a label static just left of it on the same row,
//   3. else the innermost group box with a title that encloses it.
// An up-down control takes the name of the field just left of it (the field
// it steps), and that field's number is its value. The names follow their
// labels when a label's text changes; a combo box's list and field and a
// text control's scroll bar carry the control's name too.

#include <string>

class CDialog;
class CWnd;
class QWidget;

// Names the dialog's label-less controls from the template layout, or by
// the template's own names for the controls that no label stands for. Run
// once the dialog's initialisation has set the control texts.
void AssignAccessibleNames(CDialog* pDialog);
// Makes the framework's interfaces for its controls (roles, combo boxes
// named by their labels, the status line) the ones assistive technology
// gets; run before a dialog's controls are made.
void InstallAccessibleInterfaces();
// Run once a dialog's control is registered with its id: a control that
// the template gives a role of its own gets the framework's interface from
// now on.
void RenewAccessibleInterface(QWidget* pControl);

// Told by a static or group box after its text changed: renames the controls
// it labels, at once.
void AccessibleTextChanged(QWidget* pLabel);
// Lets assistive technology know that a static's text changed; a static
// whose text changes on every read calls it at most once a frame.
void AnnounceTextChanged(QWidget* pLabel);

// The name assistive technology is given for the control (UTF-8): the label's
// text for a control named by a label, else the control's own name (its text
// without "&" for buttons, check boxes, group boxes, labels and windows).
// Empty for a control with neither.
[[nodiscard]] std::string GetAccessibleName(const CWnd* pWnd);
