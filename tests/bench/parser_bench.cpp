// Throughput of the parsers of outside text on large inputs: the rstcli information report, the
// diskpart listing and the product-code file. Each runs on texts of 64 KiB to 1 MiB so that the
// time per byte shows whether the parse is linear; the byte rate is reported as bytes_per_second.
//
//   scripts/bench-parsers.sh     builds the "bench" preset (Release) and checks the figures
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "config/product_codes.h"
#include "disks/disk_tables.h"
#include "disks/diskpart_listing.h"
#include "irst/rst_tables.h"
#include "irst/rstcli_report.h"

namespace {

constexpr std::int64_t kSmallest = 64 << 10;
constexpr std::int64_t kLargest = 1 << 20;

std::string Padded(std::string value, std::size_t width) {
    value.resize(std::max(value.size(), width), ' ');
    return value;
}

std::string Key(const char* key) {
    return Padded(key, 19);
}

// One rstcli disk block as release 14.8 prints it.
std::string DiskBlock(int n) {
    const std::string number = std::to_string(n);
    std::string b;
    b += Key("ID:") + "0-" + std::to_string(n % 8) + "-0-0\r\n";
    b += Key("Type:") + "Disk\r\n";
    b += Key("Disk Type:") + (n % 3 == 0 ? "SATA SSD" : "SATA disk") + "\r\n";
    b += Key("State:") + "Normal\r\n";
    b += Key("Size:") + "931.51 GB\r\n";
    b += Key("Free Size:") + (n % 2 == 0 ? "0 GB" : "931.51 GB") + "\r\n";
    b += Key("System Disk:") + (n == 0 ? "True" : "False") + "\r\n";
    b += Key("Usage:") + (n % 4 == 1 ? "Array member" : "Pass through disk") + "\r\n";
    b += Key("PoweredOnHours:") + "1530\r\n";
    b += Key("Serial Number:") + "Z1D2XY" + Padded(number, 4) + "\r\n";
    b += Key("Model:") + "ST1000DM003-1ER162\r\n\r\n";
    return b;
}

// An optical drive's block: a device that is not a disk, which the parser walks past.
std::string OpticalBlock(int n) {
    return Key("ID:") + "0-0-" + std::to_string(n % 8) + "-0\r\n" + Key("Type:") + "ATAPI\r\n" +
           Key("State:") + "Normal\r\n" + Key("Model:") + "HL-DT-ST DVDRAM GH24NSD1\r\n\r\n";
}

std::string ReportHead() {
    return "--CONTROLLER INFORMATION--\r\n\r\n" + Key("ID:") + "0\r\n" + Key("Name:") +
           "SATA Controller\r\n" + Key("Type:") + "SATA\r\n\r\n--VOLUME INFORMATION--\r\n\r\n" +
           Key("Name:") + "Volume_0000\r\n" + Key("Raid Level:") + "1\r\n" + Key("Size:") +
           "931.51 GB\r\n\r\n--END DEVICE INFORMATION--\r\n\r\n--DISK INFORMATION--\r\n\r\n";
}

// A report of 50 disks, repeated until the text has the wanted size.
std::string RstcliReport(std::size_t size) {
    std::string report = ReportHead();
    for (int n = 0; n < 50; ++n) report += DiskBlock(n);
    std::string text;
    while (text.size() < size) text += report;
    text.resize(size);
    return text;
}

// A report whose devices are all optical drives: the disk loop runs over the whole text.
std::string RstcliReportWithoutDisks(std::size_t size) {
    std::string text = ReportHead();
    for (int n = 0; text.size() < size; ++n) text += OpticalBlock(n);
    text.resize(size);
    return text;
}

std::string DiskpartListing(std::size_t size) {
    std::string text =
        "\r\nMicrosoft DiskPart version 10.0.19041.964\r\n\r\n"
        "Copyright (C) Microsoft Corporation.\r\nOn computer: DESKTOP-4F2K9\r\n\r\n"
        "  Disk ###  Status         Size     Free     Dyn  Gpt\r\n"
        "  --------  -------------  -------  -------  ---  ---\r\n";
    for (int n = 0; text.size() < size; ++n) {
        std::string row = "  Disk " + Padded(std::to_string(n), 4) + "  Online         ";
        row += n % 2 == 0 ? " 476 GB      0 B        *\r\n" : "1863 GB  1863 GB   *    *\r\n";
        text += row;
    }
    text.resize(size);
    return text;
}

std::string Code(int n) {
    std::string digits = std::to_string(10000000 + n % 90000000);
    return "{" + digits + "-AAAA-BBBB-CCCC-000000000001}";
}

// Two full lists of 50 codes whose lines are spread over the text by comment lines in lower
// case (which only separate codes).
std::string ProductCodes(std::size_t size) {
    const std::size_t codeLines = 2 * (50 + 1);
    const std::size_t fillerPerLine = size / codeLines;
    const std::string filler = "; product code of an earlier release\r\n";
    auto spread = [&](std::string& text) {
        const std::size_t goal = text.size() + fillerPerLine;
        while (text.size() + filler.size() < goal) text += filler;
    };
    std::string text;
    for (const char* marker : {"[64]=50\r\n", "[32]=50\r\n"}) {
        text += marker;
        spread(text);
        for (int n = 0; n < 50; ++n) {
            text += Code(n) + "\r\n";
            spread(text);
        }
    }
    return text;
}

void Report(benchmark::State& state, std::size_t bytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytes));
    state.SetComplexityN(static_cast<std::int64_t>(bytes));
}

void BM_RstcliReport(benchmark::State& state) {
    const std::string text = RstcliReport(static_cast<std::size_t>(state.range(0)));
    irst::RstState rst;
    disks::DiskState disks;
    disks.DiskCount = 1;
    disks.DiskTable[0].serial = "z1d2xy0";
    for (auto _ : state) {
        irst::ParseReportText(text, 148, rst, disks);
        benchmark::DoNotOptimize(rst.RstDiskCount);
    }
    if (rst.RstDiskCount != 50) state.SkipWithError("the report did not give 50 disks");
    Report(state, text.size());
}

void BM_RstcliReportWithoutDisks(benchmark::State& state) {
    const std::string text = RstcliReportWithoutDisks(static_cast<std::size_t>(state.range(0)));
    irst::RstState rst;
    disks::DiskState disks;
    for (auto _ : state) {
        irst::ParseReportText(text, 148, rst, disks);
        benchmark::DoNotOptimize(rst.RstDiskCount);
    }
    if (rst.RstDiskCount != 0) state.SkipWithError("an optical drive was taken for a disk");
    Report(state, text.size());
}

void BM_DiskpartListing(benchmark::State& state) {
    const std::string text = DiskpartListing(static_cast<std::size_t>(state.range(0)));
    disks::PartitionStyleTableType table{};
    disks::ListingParseResult result;
    for (auto _ : state) {
        result = disks::ParseDiskpartListing(text, table);
        benchmark::DoNotOptimize(result);
    }
    if (result.rowsStored != disks::kPartitionTableSize) {
        state.SkipWithError("the listing's first rows were not stored");
    }
    Report(state, text.size());
}

void BM_ProductCodes(benchmark::State& state) {
    const std::string text = ProductCodes(static_cast<std::size_t>(state.range(0)));
    ProductCodeFile file;
    for (auto _ : state) {
        file = ParseProductCodes(text);
        benchmark::DoNotOptimize(file);
    }
    if (!file.fault.empty() || file.list64.codes.size() != 50 || file.list32.codes.size() != 50) {
        state.SkipWithError("the product-code file did not give two lists of 50");
    }
    Report(state, text.size());
}

}  // namespace

BENCHMARK(BM_RstcliReport)->RangeMultiplier(4)->Range(kSmallest, kLargest)->Complexity();
BENCHMARK(BM_RstcliReportWithoutDisks)
    ->RangeMultiplier(4)
    ->Range(kSmallest, kLargest)
    ->Complexity();
BENCHMARK(BM_DiskpartListing)->RangeMultiplier(4)->Range(kSmallest, kLargest)->Complexity();
BENCHMARK(BM_ProductCodes)->RangeMultiplier(4)->Range(kSmallest, kLargest)->Complexity();

BENCHMARK_MAIN();
