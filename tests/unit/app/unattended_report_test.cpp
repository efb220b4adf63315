// The report of an unattended run, read back with a real JSON parser.
#include "src/app/unattended_report.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

UnattendedReport TwoDrives() {
    UnattendedReport report;
    report.title = "Firmware \"2.0\"\tfor\\you";
    report.version = "2.0.4";
    report.driveName = "VELMORA DVDRW KTV-360R";
    report.banks = {{1, 0, 1048576, "1.05", "ab"}, {2, 0, 0, "N/A ", ""}};
    ReportDrive flashed;
    flashed.device = "D:";
    flashed.address = "1-0-0-0";
    flashed.identity = {"VELMORA ", "DVDRW KTV-360R  ", "1.00", std::string("\x01\xff", 2)};
    flashed.chipId = "bf d6 00 01";
    flashed.matched = true;
    flashed.bank = 1;
    flashed.to = "1.05";
    flashed.chosen = true;
    flashed.result = "flashed";
    flashed.after = ReportIdentity{"VELMORA ", "DVDRW KTV-360R  ", "1.05", ""};
    flashed.seconds = 41.5;
    flashed.imageSha256 = "ab";
    ReportDrive other;
    other.device = "E:";
    other.identity = {"OTHER", "DRIVE", "9.99", ""};
    report.drives = {flashed, other};
    report.warnings = {"on battery"};
    report.exitCode = 3010;
    report.logPath = "C:\\ProgramData\\Norvek\\Logs\\norvek.log";
    return report;
}

TEST(UnattendedReportTest, OneDocumentInTheLinuxEditionsShape) {
    const json doc = json::parse(ReportJsonText(TwoDrives()));
    EXPECT_EQ(doc["program"], "norvek");
    EXPECT_EQ(doc["command"], "flash");
    EXPECT_EQ(doc["dryRun"], false);
    EXPECT_EQ(doc["exitCode"], 3010);
    EXPECT_EQ(doc["log"], "C:\\ProgramData\\Norvek\\Logs\\norvek.log");
    EXPECT_EQ(doc["errors"], json::array());
    EXPECT_EQ(doc["warnings"], json::array({"on battery"}));
    EXPECT_EQ(doc["file"]["title"], "Firmware \"2.0\"\tfor\\you");
    ASSERT_EQ(doc["file"]["banks"].size(), 2u);
    EXPECT_EQ(doc["file"]["banks"][0]["size"], 1048576);
    EXPECT_EQ(doc["file"]["banks"][0]["newRevision"], "1.05");
    EXPECT_TRUE(doc["file"]["banks"][1]["sha256"].is_null());
    ASSERT_EQ(doc["drives"].size(), 2u);

    const json& d = doc["drives"][0];
    EXPECT_EQ(d["device"], "D:");
    EXPECT_EQ(d["identity"]["product"], "DVDRW KTV-360R  ");
    EXPECT_EQ(d["decision"]["bank"], 1);
    EXPECT_EQ(d["decision"]["from"], "1.00");
    EXPECT_EQ(d["decision"]["to"], "1.05");
    EXPECT_EQ(d["chosen"], true);
    EXPECT_EQ(d["chipId"], "bf d6 00 01");
    EXPECT_EQ(d["outcome"]["result"], "flashed");
    EXPECT_DOUBLE_EQ(d["outcome"]["seconds"].get<double>(), 41.5);
    EXPECT_EQ(d["outcome"]["after"]["revision"], "1.05");
    EXPECT_TRUE(d["outcome"]["error"].is_null());
    // Bytes outside printable ASCII survive as their code points.
    EXPECT_EQ(d["identity"]["vendorSpecific"], "\x01\xc3\xbf");

    const json& o = doc["drives"][1];
    EXPECT_EQ(o["decision"]["matched"], false);
    EXPECT_FALSE(o["decision"].contains("bank"));
    EXPECT_FALSE(o.contains("outcome"));
}

TEST(UnattendedReportTest, AnEmptyRunIsStillADocument) {
    UnattendedReport report;
    report.exitCode = 2;
    report.errors = {"power too low"};
    const json doc = json::parse(ReportJsonText(report));
    EXPECT_EQ(doc["drives"], json::array());
    EXPECT_EQ(doc["errors"][0], "power too low");
    EXPECT_TRUE(doc["log"].is_null());
}

TEST(UnattendedReportTest, WriteReportRefusesAPlaceItCannotWrite) {
    EXPECT_FALSE(WriteReport(UnattendedReport{}, "/nonexistent-folder/report.json"));
}

}  // namespace
