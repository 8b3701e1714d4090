// Numeric ids of dialogs, controls and commands. Language files translate by
// them, the validation bases find a failing control by them, tests address
// widgets by them (dynamic property "ctrlId").
#pragma once

namespace ids {

// Standard dialog commands.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// Message box.
constexpr int IDD_MYMBOX = 166;
constexpr int IDC_MBOX_ICON = 1212;
constexpr int IDC_MBOX_BUTTON1 = 2048;
constexpr int IDC_MBOX_BUTTON2 = 2049;
constexpr int IDC_MBOX_BUTTON3 = 2050;

// Dialog bases: the edit part of a combo box, the frame under a caption band,
// the caption band's icon.
constexpr int IDC_COMBO_EDIT = 1001;
constexpr int IDC_CAPTION_FRAME = 1076;
constexpr int IDI_CAPTION = 133;

// Settings sheet: the list of page names.
constexpr int IDC_SHEET_PAGE_LIST = 0xFFFF;
// Editable list: its in-place edit box.
constexpr int IDC_LIST_EDIT = 200003;

// Interface language: the View/Language items (5050 "no language file",
// 5051.. one per language file); string 5051 is their status-bar prompt.
constexpr int ID_LANGUAGE_NONE = 5050;
constexpr int IDS_LANGUAGE_PROMPT = 5051;

} // namespace ids
