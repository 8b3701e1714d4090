// What the program hands its workbook writer (kev_dux_xlsx) and what the
// writer says back. The writer is a process of its own, started fresh: the
// workbook comes on its standard input as a stream of sheets, and it answers
// with one line per step on its standard output. Both ends are built from
// one source tree, so the numbers are in the machine's own byte order.
//
// Stream: magic; i64 cell from which memory runs out (tests; -1 none);
// u8 constant-memory mode; i32 active sheet; u32 sheet count; then per
// sheet 'S', name, u32 styles (format text, u8 alignment, u8 edges),
// u32 widths (i32 column, f64 width), i32 frozen rows, u32 merges (4 x i32),
// u32 cells (i32 row, i32 column, u32 style (0: none, else 1-based), u8 type,
// f64 number or text); 'E' at the end. Texts are u32 length + UTF-8.
//
// Lines: "W <n>" n sheets written, "C" the workbook closing, "V <n>" n sheet
// parts checked, then "OK" (written whole) or
// "ERR <cause> <errno> <detail>" with a cause below.
#pragma once

#include <cstdint>

namespace pit::wbstream {

constexpr char kMagic[8] = {'K', 'D', 'X', 'W', 'B', '1', '\0', '\0'};
constexpr char kSheetTag = 'S';
constexpr char kEndTag = 'E';

enum class CellType : uint8_t { Empty = 0, Text = 1, Number = 2 };

// Why the writer failed (the word after "ERR").
constexpr const char* kOutOfMemory = "memory"; // detail: none
constexpr const char* kTempFile = "temp";      // a temporary file in the writer's folder; errno
constexpr const char* kOutput = "output";      // the workbook file itself; errno
constexpr const char* kDamaged = "damaged";    // the package check; detail: the part
constexpr const char* kLibrary = "library";    // the library's own error; errno: its code, detail: its text
constexpr const char* kInput = "input";        // the stream broke off or is not ours

// Status of the writer process when it ends by itself.
constexpr int kExitWritten = 0;
constexpr int kExitFailed = 1;
constexpr int kExitParentGone = 3;

} // namespace pit::wbstream
