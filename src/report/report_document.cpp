#include "report/report_document.h"

#include "report/report_text.h"

namespace report {

void ReportDocument::WriteReportLine(std::string_view line) {
    text_ += line;
    text_ += "\r\n";
}

void ReportDocument::Element(std::string_view name, std::string_view value) {
    std::string line;
    line.reserve(name.size() * 2 + value.size() + 5);
    line += '<';
    line += name;
    line += '>';
    line += XmlValue(value);
    line += "</";
    line += name;
    line += '>';
    WriteReportLine(line);
}

void ReportDocument::Element(std::string_view name, std::int64_t value) {
    Element(name, std::to_string(value));
}

void ReportDocument::Flag(std::string_view name, bool on) {
    Element(name, on ? "1" : "0");
}

std::string Indexed(std::string_view name, int index) {
    return std::string(name) + std::to_string(index);
}

}  // namespace report
