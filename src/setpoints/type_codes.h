#pragma once
// What a setting type code means for the registers and for the display: how
// many registers it spans, how a read becomes a value text, how a value text
// is written, and which display form FormatValue uses.

namespace kvx {

enum class ReadForm {
  None,      // not readable: "ERROR", counted as a failed packet
  Float,     // two registers, IEEE single, "0.00"
  Int32,     // two registers, signed 32-bit
  Unsigned,  // one register, 0..65535
  Text,      // ten registers, 20 characters
  Date,      // two registers, "%i/%i/%i"
};

enum class WriteForm {
  None,  // nothing written, reported as success
  Float,
  Int32,
  Unsigned,
  Text,
};

enum class DisplayForm {
  Number,      // "0.00", "0.0000 E+0" or "Over Range"
  Unchanged,   // the value text itself
  Date,        // "%02d/%02d/%02d" from a single's bit pattern
  Time,        // "%02d:%02d:%02d"
  OptionList,  // line i of the code's option list
  FlagNames,   // one line per set bit of lists 27 / 79
  Error,       // always "ERROR"
};

struct TypeCodeInfo {
  int registers = 0;  // 1, 2 or 10; 0 where the code spans no registers
  ReadForm read = ReadForm::None;
  WriteForm write = WriteForm::None;
  DisplayForm display = DisplayForm::Error;
};

TypeCodeInfo DescribeTypeCode(int typeCode);

// True for the codes whose value is the index into their own option list.
bool IsListTypeCode(int typeCode);

}  // namespace kvx
