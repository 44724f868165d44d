// The disk-mode report being written: its lines, in memory until the document is complete, then
// put in place in one step so that "Diskmode.xml" on disk is always complete or absent.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace report {

class ReportDocument {
  public:
    // WriteReportLine: the text and CR LF.
    void WriteReportLine(std::string_view line);
    // Bytes without a line end (the Windows-refused ending joins three elements on one line).
    void WriteRaw(std::string_view bytes) { text_ += bytes; }
    // "<name>value</name>" with the value made safe for XML.
    void Element(std::string_view name, std::string_view value);
    void Element(std::string_view name, std::int64_t value);
    // "<name>1</name>" or "<name>0</name>".
    void Flag(std::string_view name, bool on);

    const std::string& Text() const { return text_; }

    // The unit text that the last SplitCapacity set; read by the unit element after each capacity.
    std::string unit;

  private:
    std::string text_;
};

// An element name with a record's index appended ("HDD_Model" + 0 gives "HDD_Model0").
std::string Indexed(std::string_view name, int index);

}  // namespace report
