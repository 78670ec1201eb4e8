// The facts report: one fixture row per definition of the table (built with the hive builder),
// the decoders of MRU lists, recent documents and time zone rules, recovered and damaged keys,
// quarvex-cli facts, and the facts of the real user.dat as a golden file.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "app/cli_run.h"
#include "browse/hive_view.h"
#include "facts/collect.h"
#include "facts/decode.h"
#include "facts/facts_output.h"
#include "recover/recover.h"
#include "salvage/salvage.h"
#include "tests/support/test_namespaces.h"
#include "tests/support/test_support.h"

namespace quarvex::testing {
namespace {

using facts::Fact;

std::string Le32(std::uint32_t n) {
  return {static_cast<char>(n & 0xFF), static_cast<char>((n >> 8) & 0xFF), static_cast<char>((n >> 16) & 0xFF),
          static_cast<char>((n >> 24) & 0xFF)};
}

// A 16-byte SYSTEMTIME.
std::string SystemTime(std::uint16_t year, std::uint16_t month, std::uint16_t weekday, std::uint16_t day,
                       std::uint16_t hour, std::uint16_t minute) {
  std::string s;
  for (const std::uint16_t v : {year, month, weekday, day, hour, minute, std::uint16_t{0}, std::uint16_t{0}}) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
  }
  return s;
}

std::string Utf16(std::string_view ascii) {
  std::string s;
  for (const char c : ascii) {
    s += c;
    s += '\0';
  }
  return s + std::string(2, '\0');
}

// Keys by path, made on first use.
class TreeBuilder {
 public:
  // The root as real files keep it: an unnamed key node without a data record.
  TreeBuilder() {
    root_ = builder.AddKey(HiveBuilder::kRootParent, "");
    builder.SetNoRecord(root_);
  }
  int Key(const std::string& path, std::vector<Value> values = {}) {
    int parent = root_;
    std::string sofar;
    const std::vector<std::string> parts = browse::SplitKeyPath(path);
    for (std::size_t i = 0; i < parts.size(); ++i) {
      sofar += (i ? "\\" : "") + parts[i];
      auto it = ids_.find(sofar);
      if (it == ids_.end()) it = ids_.emplace(sofar, builder.AddKey(parent, parts[i], i + 1 == parts.size() ? values : std::vector<Value>{})).first;
      parent = it->second;
    }
    return parent;
  }
  HiveBuilder builder;

 private:
  int root_ = 0;
  std::map<std::string, int> ids_;
};

const std::string kCv = "Software\\Microsoft\\Windows\\CurrentVersion";
const std::string kCcs = "System\\CurrentControlSet";

BuiltHive SystemFixture() {
  TreeBuilder t;
  t.Key(kCv, {Text("ProductName", "Microsoft Windows ME"), Text("Version", "Windows Millennium Edition"),
              Text("VersionNumber", "4.90.3000"), Text("ProductId", "55274-OEM-0011903-00102"),
              Text("RegisteredOwner", "Taro"), Text("RegisteredOrganization", "Retro Ltd"),
              Text("SystemRoot", "C:\\WINDOWS")});
  t.Key(kCcs + "\\Control\\ComputerName\\ComputerName", {Text("ComputerName", "RETRO98")});
  t.Key(kCcs + "\\Services\\VxD\\VNETSUP", {Text("Workgroup", "OFFICE"), Text("Comment", "front desk"),
                                            Text("ComputerName", "RETRO98"), Text("StaticVxD", "vnetsup.vxd")});
  t.Key(kCcs + "\\Control\\TimeZoneInformation",
        {Text("StandardName", "Tokyo Standard Time"), Binary("Bias", Le32(0xFFFFFDE4)),
         Dword("ActiveTimeBias", 0xFFFFFDE4), Binary("StandardBias", Le32(0)), Binary("DaylightBias", Le32(0xFFFFFFC4)),
         Binary("StandardStart", SystemTime(0, 10, 0, 5, 3, 0)), Binary("DaylightStart", SystemTime(0, 0, 0, 0, 0, 0)),
         Text("DaylightName", "Tokyo Daylight Time")});
  // The Time Zones table: the key is the zone's standard name, TZI its bias and rules.
  t.Key(kCv + "\\Time Zones\\Eastern Standard Time",
        {Text("Display", "(GMT-05:00) Eastern Time (US & Canada)"), Text("Dlt", "Eastern Daylight Time"),
         Text("Std", "Eastern Standard Time"),
         Binary("TZI", Le32(300) + Le32(0) + Le32(0xFFFFFFC4) + SystemTime(0, 10, 0, 5, 2, 0) + SystemTime(0, 4, 0, 1, 2, 0))});
  t.Key(kCv + "\\Time Zones\\Tokyo Standard Time",
        {Text("Display", "(GMT+09:00) Osaka, Sapporo, Tokyo"), Text("Std", "Tokyo Standard Time"),
         Text("Dlt", "Tokyo Daylight Time"),
         Binary("TZI", Le32(0xFFFFFDE4) + Le32(0) + Le32(0xFFFFFFC4) + SystemTime(0, 10, 0, 5, 3, 0) + SystemTime(0, 0, 0, 0, 0, 0))});
  t.Key(kCcs + "\\Control\\Nls\\Codepage", {Text("850", "c_850.nls"), Text("ACP", "932"), Text("OEMCP", "932")});
  t.Key(kCcs + "\\Control\\Nls\\Locale", {Text("", "00000411")});
  t.Key("Network\\Logon", {Text("PrimaryProvider", "Microsoft Network"), Text("username", "taro")});
  t.Key(kCv + "\\ProfileList\\taro", {Text("ProfileImagePath", "C:\\WINDOWS\\Profiles\\taro")});
  t.Key(kCv + "\\Uninstall\\WinZip", {Text("UninstallString", "C:\\PROGRA~1\\WINZIP\\WINZIP32.EXE /uninstall"),
                                      Text("DisplayName", "WinZip")});
  t.Key(kCv + "\\App Paths\\WINZIP32.EXE", {Text("", "C:\\PROGRA~1\\WINZIP\\winzip32.exe")});
  t.Key(kCv + "\\RunServices", {Text("SchedulingAgent", "mstask.exe")});
  t.Key(kCv + "\\RunOnce", {Text("Setup", "runonce.exe -q")});
  t.Key(kCv + "\\Shell Extensions\\Approved", {Text("{00020D75-0000-0000-C000-000000000046}", "Mail Extension")});
  t.Key(kCv + "\\ShellServiceObjectDelayLoad", {Text("SysTray", "{35CEC8A3-2BE6-11D2-8773-92E220524153}")});
  t.Key(kCv + "\\Explorer\\ShellExecuteHooks", {Text("{AEB6717E-7E19-11D0-97EE-00C04FD91972}", "")});
  t.Key(kCv + "\\Explorer\\Browser Helper Objects\\{06849E9F-C8D7-4D59-B87D-784B7D6BE0B3}");
  t.Key("Enum\\ESDI\\GENERIC_IDE__DISK_TYPE47_\\MF&CHILD0000", {Text("Class", "DiskDrive"), Text("DeviceDesc", "GENERIC IDE DISK TYPE47")});
  t.Key("Enum\\SCSI\\MATSHITACD-ROM_CR-587\\MF&CHILD0001", {Text("Class", "cdrom"), Text("DeviceDesc", "MATSHITA CD-ROM CR-587")});
  t.Key("Enum\\USB\\VID_046D&PID_C00E\\5&1", {Text("Class", "HID"), Text("DeviceDesc", "USB Human Interface Device")});
  t.Key("Enum\\PCI\\VEN_10EC&DEV_8139\\BUS_00&DEV_0B", {Text("Class", "Net"), Text("DeviceDesc", "Realtek RTL8139"),
                                                        Text("Driver", "Net\\0000")});
  // The adapter's Bindings name the protocol's device key, whose Driver names its settings.
  t.Key("Enum\\PCI\\VEN_10EC&DEV_8139\\BUS_00&DEV_0B\\Bindings", {Text("MSTCP\\0001", "")});
  t.Key("Enum\\Network\\MSTCP\\0001", {Text("Class", "NetTrans"), Text("Driver", "NetTrans\\0001"), Text("DeviceDesc", "TCP/IP")});
  t.Key(kCcs + "\\Services\\Class\\Net\\0000", {Text("DriverDesc", "Realtek RTL8139(A) PCI Fast Ethernet Adapter")});
  t.Key(kCcs + "\\Services\\Class\\NetTrans\\0000", {Text("DriverDesc", "TCP/IP"), Text("IPAddress", "0.0.0.0"),
                                                     Text("IPMask", "0.0.0.0")});
  t.Key(kCcs + "\\Services\\Class\\NetTrans\\0001", {Text("DriverDesc", "TCP/IP"), Text("IPAddress", "192.168.0.5"),
                                                     Text("IPMask", "255.255.255.0"), Text("DefaultGateway", "192.168.0.1")});
  t.Key(kCcs + "\\Services\\VxD\\MSTCP", {Text("HostName", "retro98"), Text("NameServer", "192.168.0.1")});
  t.Key(kCv + "\\Network\\LanMan\\DOCS", {Text("Path", "C:\\DOCS"), Text("Remark", "shared"), Dword("Flags", 0x191)});
  return t.builder.Build();
}

// under: "" for a profile's user.dat, ".DEFAULT\\" for the Windows directory's.
BuiltHive UserFixture(const std::string& under = "") {
  TreeBuilder t;
  t.Key(under + "AppEvents");
  t.Key(under + "Network\\Persistent\\F", {Text("RemotePath", "\\\\SERVER\\DOCS"), Text("UserName", "taro")});
  t.Key(under + "RemoteAccess", {Text("Default", "Office")});
  t.Key(under + "RemoteAccess\\Addresses", {Binary("Office", std::string("\x01\x02\x03", 3))});
  t.Key(under + "RemoteAccess\\Profile\\Office");
  t.Key(under + "Software\\Microsoft\\Internet Explorer\\TypedURLs",
        {Text("url2", "http://b.example/"), Text("url10", "http://j.example/"), Text("url1", "http://a.example/")});
  t.Key(under + "Software\\Microsoft\\Internet Explorer\\Main", {Text("Start Page", "http://home.example/")});
  t.Key(under + kCv + "\\Explorer", {Text("Logon User Name", "taro")});
  t.Key(under + kCv + "\\Explorer\\RunMRU", {Text("a", "notepad\\1"), Text("b", "regedit\\1"), Text("MRUList", "cab"),
                                             Text("c", "command\\1"), Text("d", "old\\1")});
  t.Key(under + kCv + "\\Explorer\\RecentDocs",
        {Binary("a", std::string("report.doc\0report.lnk\0\x14\x00", 24)), Text("MRUList", "ba"),
         Binary("b", std::string("\x8e\xca\x90\x5e.jpg\0\x8e\xca\x90\x5e.lnk\0", 18))});
  t.Key(under + kCv + "\\Explorer\\RecentDocs\\.txt",
        {Binary("0", Utf16("a.txt")), Binary("1", Utf16("b.txt")), Binary("MRUListEx", Le32(1) + Le32(0) + Le32(0xFFFFFFFF))});
  t.Key(under + kCv + "\\Explorer\\Doc Find Spec MRU", {Text("a", "*.doc"), Text("MRUList", "a")});
  t.Key(under + kCv + "\\Explorer\\FindComputerMRU", {Text("a", "SERVER"), Text("MRUList", "a")});
  t.Key(under + kCv + "\\Applets\\Paint\\Recent File List", {Text("File1", "C:\\a.bmp")});
  t.Key(under + kCv + "\\Applets\\Wordpad\\Recent File List", {Text("File2", "C:\\c.doc"), Text("File1", "C:\\b.doc")});
  t.Key(under + "Software\\Acme\\Editor\\Recent File List", {Text("File1", "C:\\x.txt")});
  t.Key(under + kCv + "\\Explorer\\Shell Folders", {Text("Desktop", "C:\\WINDOWS\\Desktop")});
  t.Key(under + kCv + "\\Explorer\\User Shell Folders", {Text("Personal", "C:\\My Documents")});
  t.Key(under + kCv + "\\Run", {Text("Pointer", "point32.exe")});
  t.Key(under + "Control Panel\\Desktop", {Text("ScreenSaveActive", "1"), Text("Wallpaper", "C:\\WINDOWS\\Clouds.bmp")});
  return t.builder.Build();
}

// One hive read as the command does it. The image outlives the model and the view.
struct Loaded {
  std::vector<std::uint8_t> bytes;
  salvage::SalvagedHive hive;
  std::unique_ptr<browse::HiveView> view;
  recover::Recovery recovery;
  explicit Loaded(std::vector<std::uint8_t> b) : bytes(std::move(b)) {
    hive = salvage::Salvage(bytes);
    view = std::make_unique<browse::HiveView>(hive, CodePage::Cp932);
    recovery = recover::Recover(hive);
  }
  facts::HiveSource Source(std::string file) const { return {std::move(file), view.get(), &recovery}; }
};

// "key | #1 name = text [note]".
std::string Line(const Fact& f) {
  std::string s = f.keyPath + " | ";
  if (f.position) s += "#" + std::to_string(*f.position) + " ";
  s += (f.hasValue || !f.valueName.empty() ? f.valueName + " = " : "") + f.text;
  if (!f.note.empty()) s += " [" + f.note + "]";
  if (f.recovered) s += " {recovered " + std::string(recover::ConfidenceName(f.confidence)) + "}";
  if (!f.via.empty()) s += " <- " + f.via;
  return s;
}

std::vector<std::string> LinesOf(const facts::FactsResult& r, std::string_view id) {
  std::vector<std::string> lines;
  for (const Fact& f : r.facts)
    if (f.definition->id == id) lines.push_back(Line(f));
  return lines;
}

struct Row {
  std::string_view id;
  bool user;  // found in the user fixture (else the system fixture)
  std::vector<std::string> expected;  // paths relative to the user's root
};

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows{
      {"system.version", false,
       {kCv + " | ProductName = Microsoft Windows ME", kCv + " | Version = Windows Millennium Edition",
        kCv + " | VersionNumber = 4.90.3000", kCv + " | ProductId = 55274-OEM-0011903-00102",
        kCv + " | RegisteredOwner = Taro", kCv + " | RegisteredOrganization = Retro Ltd", kCv + " | SystemRoot = C:\\WINDOWS"}},
      {"system.computer-name", false, {kCcs + "\\Control\\ComputerName\\ComputerName | ComputerName = RETRO98"}},
      {"system.network-identity", false,
       {kCcs + "\\Services\\VxD\\VNETSUP | ComputerName = RETRO98", kCcs + "\\Services\\VxD\\VNETSUP | Workgroup = OFFICE",
        kCcs + "\\Services\\VxD\\VNETSUP | Comment = front desk"}},
      {"system.time-zone", false,
       {kCcs + "\\Control\\TimeZoneInformation | StandardName = Tokyo Standard Time",
        kCcs + "\\Control\\TimeZoneInformation | DaylightName = Tokyo Daylight Time"}},
      {"system.time-zone-bias", false,
       {kCcs + "\\Control\\TimeZoneInformation | Bias = -540 minutes (UTC+09:00)",
        kCcs + "\\Control\\TimeZoneInformation | ActiveTimeBias = -540 minutes (UTC+09:00)"}},
      {"system.time-zone-delta", false,
       {kCcs + "\\Control\\TimeZoneInformation | StandardBias = 0 minutes",
        kCcs + "\\Control\\TimeZoneInformation | DaylightBias = -60 minutes"}},
      {"system.time-zone-rules", false,
       {kCcs + "\\Control\\TimeZoneInformation | StandardStart = the last Sunday of October at 03:00",
        kCcs + "\\Control\\TimeZoneInformation | DaylightStart = none (no daylight saving time)"}},
      {"system.time-zone-entry", false,
       {kCcs + "\\Control\\TimeZoneInformation | StandardName = Tokyo Standard Time [the entry Time Zones\\Tokyo Standard "
               "Time by its name; its TZI agrees with Bias, StandardBias, DaylightBias and both start rules]",
        kCv + "\\Time Zones\\Tokyo Standard Time | Display = (GMT+09:00) Osaka, Sapporo, Tokyo <- the zone StandardName names",
        kCv + "\\Time Zones\\Tokyo Standard Time | TZI = UTC+09:00 (bias -540 minutes); no daylight saving time <- the zone "
              "StandardName names"}},
      {"system.time-zone-table", false,
       {kCv + "\\Time Zones\\Eastern Standard Time | Display = (GMT-05:00) Eastern Time (US & Canada)",
        kCv + "\\Time Zones\\Eastern Standard Time | Std = Eastern Standard Time",
        kCv + "\\Time Zones\\Eastern Standard Time | Dlt = Eastern Daylight Time",
        kCv + "\\Time Zones\\Eastern Standard Time | TZI = UTC-05:00 (bias 300 minutes); standard time (+0 minutes) from "
              "the last Sunday of October at 02:00; daylight time (-60 minutes) from the first Sunday of April at 02:00",
        kCv + "\\Time Zones\\Tokyo Standard Time | Display = (GMT+09:00) Osaka, Sapporo, Tokyo",
        kCv + "\\Time Zones\\Tokyo Standard Time | Std = Tokyo Standard Time",
        kCv + "\\Time Zones\\Tokyo Standard Time | Dlt = Tokyo Daylight Time",
        kCv + "\\Time Zones\\Tokyo Standard Time | TZI = UTC+09:00 (bias -540 minutes); no daylight saving time"}},
      {"system.code-page", false,
       {kCcs + "\\Control\\Nls\\Codepage | ACP = 932", kCcs + "\\Control\\Nls\\Codepage | OEMCP = 932"}},
      {"system.locale", false, {kCcs + "\\Control\\Nls\\Locale |  = 00000411"}},
      {"system.last-logon", false,
       {"Network\\Logon | username = taro", "Network\\Logon | PrimaryProvider = Microsoft Network"}},
      {"system.profiles", false, {kCv + "\\ProfileList\\taro | ProfileImagePath = C:\\WINDOWS\\Profiles\\taro"}},
      {"system.logon-user", true, {kCv + "\\Explorer | Logon User Name = taro"}},
      {"programs.installed", false,
       {kCv + "\\Uninstall\\WinZip | DisplayName = WinZip",
        kCv + "\\Uninstall\\WinZip | UninstallString = C:\\PROGRA~1\\WINZIP\\WINZIP32.EXE /uninstall"}},
      {"programs.app-paths", false, {kCv + "\\App Paths\\WINZIP32.EXE |  = C:\\PROGRA~1\\WINZIP\\winzip32.exe"}},
      {"programs.startup", true, {kCv + "\\Run | Pointer = point32.exe"}},
      {"programs.shell-extensions", false,
       {kCv + "\\Shell Extensions\\Approved | {00020D75-0000-0000-C000-000000000046} = Mail Extension"}},
      {"programs.shell-service-objects", false,
       {kCv + "\\ShellServiceObjectDelayLoad | SysTray = {35CEC8A3-2BE6-11D2-8773-92E220524153}"}},
      {"programs.shell-execute-hooks", false, {kCv + "\\Explorer\\ShellExecuteHooks | {AEB6717E-7E19-11D0-97EE-00C04FD91972} = "}},
      {"programs.browser-helpers", false,
       {kCv + "\\Explorer\\Browser Helper Objects\\{06849E9F-C8D7-4D59-B87D-784B7D6BE0B3} | {06849E9F-C8D7-4D59-B87D-784B7D6BE0B3}"}},
      {"programs.vxd-services", false, {kCcs + "\\Services\\VxD\\VNETSUP | StaticVxD = vnetsup.vxd"}},
      {"hardware.disks", false, {"Enum\\ESDI\\GENERIC_IDE__DISK_TYPE47_\\MF&CHILD0000 | DeviceDesc = GENERIC IDE DISK TYPE47"}},
      {"hardware.cdroms", false, {"Enum\\SCSI\\MATSHITACD-ROM_CR-587\\MF&CHILD0001 | DeviceDesc = MATSHITA CD-ROM CR-587"}},
      {"hardware.usb", false,
       {"Enum\\USB\\VID_046D&PID_C00E\\5&1 | DeviceDesc = USB Human Interface Device", "Enum\\USB\\VID_046D&PID_C00E\\5&1 | Class = HID"}},
      {"hardware.network-adapters", false,
       {"Enum\\PCI\\VEN_10EC&DEV_8139\\BUS_00&DEV_0B | DeviceDesc = Realtek RTL8139",
        "Enum\\PCI\\VEN_10EC&DEV_8139\\BUS_00&DEV_0B | Driver = Net\\0000"}},
      {"hardware.network-drivers", false,
       {kCcs + "\\Services\\Class\\Net\\0000 | DriverDesc = Realtek RTL8139(A) PCI Fast Ethernet Adapter"}},
      {"hardware.adapter-links", false,
       {"Enum\\PCI\\VEN_10EC&DEV_8139\\BUS_00&DEV_0B | DeviceDesc = Realtek RTL8139",
        kCcs + "\\Services\\Class\\Net\\0000 | DriverDesc = Realtek RTL8139(A) PCI Fast Ethernet Adapter <- the driver: "
               "Driver = Net\\0000",
        kCcs + "\\Services\\Class\\NetTrans\\0001 | DriverDesc = TCP/IP <- bound protocol MSTCP\\0001: Driver = NetTrans\\0001",
        kCcs + "\\Services\\Class\\NetTrans\\0001 | IPAddress = 192.168.0.5 <- bound protocol MSTCP\\0001: Driver = NetTrans\\0001",
        kCcs + "\\Services\\Class\\NetTrans\\0001 | IPMask = 255.255.255.0 <- bound protocol MSTCP\\0001: Driver = NetTrans\\0001",
        kCcs + "\\Services\\Class\\NetTrans\\0001 | DefaultGateway = 192.168.0.1 <- bound protocol MSTCP\\0001: Driver = "
               "NetTrans\\0001"}},
      {"network.protocols", false,
       {kCcs + "\\Services\\Class\\NetTrans\\0000 | DriverDesc = TCP/IP", kCcs + "\\Services\\Class\\NetTrans\\0001 | DriverDesc = TCP/IP"}},
      {"network.addresses", false,
       {kCcs + "\\Services\\Class\\NetTrans\\0000 | IPAddress = 0.0.0.0 (by DHCP)",
        kCcs + "\\Services\\Class\\NetTrans\\0000 | IPMask = 0.0.0.0 (by DHCP)",
        kCcs + "\\Services\\Class\\NetTrans\\0001 | IPAddress = 192.168.0.5",
        kCcs + "\\Services\\Class\\NetTrans\\0001 | IPMask = 255.255.255.0",
        kCcs + "\\Services\\Class\\NetTrans\\0001 | DefaultGateway = 192.168.0.1"}},
      {"network.tcpip", false,
       {kCcs + "\\Services\\VxD\\MSTCP | HostName = retro98", kCcs + "\\Services\\VxD\\MSTCP | NameServer = 192.168.0.1"}},
      {"network.shares", false,
       {kCv + "\\Network\\LanMan\\DOCS | Path = C:\\DOCS", kCv + "\\Network\\LanMan\\DOCS | Remark = shared",
        kCv + "\\Network\\LanMan\\DOCS | Flags = 0x00000191 (401)"}},
      {"network.mapped-drives", true,
       {"Network\\Persistent\\F | RemotePath = \\\\SERVER\\DOCS", "Network\\Persistent\\F | UserName = taro"}},
      {"network.dial-up-default", true, {"RemoteAccess | Default = Office"}},
      {"network.dial-up-connections", true, {"RemoteAccess\\Addresses | Office = 01 02 03 (3 bytes)"}},
      {"network.dial-up-profiles", true, {"RemoteAccess\\Profile\\Office | Office"}},
      {"traces.typed-urls", true,
       {"Software\\Microsoft\\Internet Explorer\\TypedURLs | #1 url1 = http://a.example/",
        "Software\\Microsoft\\Internet Explorer\\TypedURLs | #2 url2 = http://b.example/",
        "Software\\Microsoft\\Internet Explorer\\TypedURLs | #10 url10 = http://j.example/"}},
      {"traces.start-page", true, {"Software\\Microsoft\\Internet Explorer\\Main | Start Page = http://home.example/"}},
      {"traces.run-mru", true,
       {kCv + "\\Explorer\\RunMRU | #1 c = command", kCv + "\\Explorer\\RunMRU | #2 a = notepad",
        kCv + "\\Explorer\\RunMRU | #3 b = regedit", kCv + "\\Explorer\\RunMRU | d = old [not in MRUList]"}},
      {"traces.recent-docs", true,
       {kCv + "\\Explorer\\RecentDocs | #1 b = 写真.jpg", kCv + "\\Explorer\\RecentDocs | #2 a = report.doc"}},
      {"traces.recent-docs-by-type", true,
       {kCv + "\\Explorer\\RecentDocs\\.txt | #1 1 = b.txt", kCv + "\\Explorer\\RecentDocs\\.txt | #2 0 = a.txt"}},
      {"traces.find-mru", true, {kCv + "\\Explorer\\Doc Find Spec MRU | #1 a = *.doc"}},
      {"traces.find-computer-mru", true, {kCv + "\\Explorer\\FindComputerMRU | #1 a = SERVER"}},
      {"traces.applet-recent-files", true,
       {kCv + "\\Applets\\Paint\\Recent File List | #1 File1 = C:\\a.bmp",
        kCv + "\\Applets\\Wordpad\\Recent File List | #1 File1 = C:\\b.doc",
        kCv + "\\Applets\\Wordpad\\Recent File List | #2 File2 = C:\\c.doc"}},
      {"traces.app-recent-files", true, {"Software\\Acme\\Editor\\Recent File List | #1 File1 = C:\\x.txt"}},
      {"traces.shell-folders", true, {kCv + "\\Explorer\\Shell Folders | Desktop = C:\\WINDOWS\\Desktop"}},
      {"traces.user-shell-folders", true, {kCv + "\\Explorer\\User Shell Folders | Personal = C:\\My Documents"}},
      {"traces.desktop", true,
       {"Control Panel\\Desktop | Wallpaper = C:\\WINDOWS\\Clouds.bmp", "Control Panel\\Desktop | ScreenSaveActive = 1"}},
  };
  return rows;
}

TEST(FactsTable, EveryDefinitionHasAFixtureRowAndAUniqueId) {
  std::set<std::string_view> ids;
  for (const facts::FactDefinition& d : facts::Definitions()) {
    EXPECT_TRUE(ids.insert(d.id).second) << d.id;
    bool tested = false;
    for (const Row& r : Rows()) tested = tested || r.id == d.id;
    EXPECT_TRUE(tested) << d.id << " has no fixture row";
  }
}

class FactsDefinitionTest : public ::testing::TestWithParam<std::string> {};

// Each definition on the fixtures; user places both at a profile's top and under .DEFAULT.
TEST_P(FactsDefinitionTest, FindsItsPlaceOnTheFixture) {
  const Row* row = nullptr;
  for (const Row& r : Rows())
    if (r.id == GetParam()) row = &r;
  ASSERT_NE(row, nullptr);
  for (const std::string& under : row->user ? std::vector<std::string>{"", ".DEFAULT\\"} : std::vector<std::string>{""}) {
    const BuiltHive built = row->user ? UserFixture(under) : SystemFixture();
    const Loaded loaded(built.bytes);
    const std::vector<facts::HiveSource> sources{loaded.Source("X.DAT")};
    const facts::FactsResult result = facts::CollectFacts(sources);
    ASSERT_EQ(result.kinds.size(), 1u);
    EXPECT_EQ(result.kinds[0], row->user ? facts::HiveKind::User : facts::HiveKind::System);
    std::vector<std::string> expected;
    for (const std::string& e : row->expected) expected.push_back(under + e);
    EXPECT_EQ(LinesOf(result, row->id), expected) << "under '" << under << "'";
  }
}

std::vector<std::string> AllIds() {
  std::vector<std::string> ids;
  for (const Row& r : Rows()) ids.emplace_back(r.id);
  return ids;
}

INSTANTIATE_TEST_SUITE_P(Definitions, FactsDefinitionTest, ::testing::ValuesIn(AllIds()),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                           std::string name;
                           for (const char c : param.param) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

TEST(FactsTable, SystemPlacesAreNotLookedForInAUserHive) {
  TreeBuilder t;
  t.Key("AppEvents");
  t.Key("Network\\Logon", {Text("username", "not a system hive")});
  const BuiltHive built = t.builder.Build();
  const Loaded loaded(built.bytes);
  const std::vector<facts::HiveSource> sources{loaded.Source("USER.DAT")};
  EXPECT_TRUE(LinesOf(facts::CollectFacts(sources), "system.last-logon").empty());
}

TEST(FactsTable, BothHivesOfOneMachineTogether) {
  const BuiltHive system = SystemFixture(), user = UserFixture(".DEFAULT\\");
  const Loaded a(system.bytes), b(user.bytes);
  const std::vector<facts::HiveSource> sources{a.Source("SYSTEM.DAT"), b.Source("USER.DAT")};
  const facts::FactsResult result = facts::CollectFacts(sources);
  EXPECT_EQ(result.kinds, (std::vector<facts::HiveKind>{facts::HiveKind::System, facts::HiveKind::User}));
  std::vector<std::size_t> startupHives;
  for (const Fact& f : result.facts)
    if (f.definition->id == "programs.startup") startupHives.push_back(f.hive);
  EXPECT_EQ(startupHives, (std::vector<std::size_t>{0, 0, 1}));  // RunOnce, RunServices of system.dat; Run of user.dat
  // Themes in report order.
  for (std::size_t i = 1; i < result.facts.size(); ++i)
    EXPECT_LE(result.facts[i - 1].definition->theme, result.facts[i].definition->theme);
}

struct DecodeCase {
  std::string name;
  std::function<facts::Decoded()> decode;
  std::string text;
  std::string problem;
};

TEST(FactsDecode, BinaryEntriesAndRules) {
  const auto b = [](const std::string& s) { return Bytes(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()); };
  static const std::string recent = std::string("doc.txt\0doc.lnk\0", 16), wide = Utf16("wide.txt"),
                           shortBias = "\x01\x02\x03", fixed = SystemTime(1998, 4, 0, 5, 2, 30),
                           badRule = SystemTime(0, 4, 9, 1, 2, 0), twoHours = Le32(0xFFFFFF88), farBias = Le32(100000),
                           mruCut = SystemTime(0, 3, 0, 1, 2, 0).substr(0, 15), empty, zeroFirst = std::string("\0x", 2),
                           run = "cmd /c dir\\1", runNoSuffix = "cmd",
                           tziCut = (Le32(0) + Le32(0) + Le32(0) + SystemTime(0, 10, 0, 5, 3, 0) + SystemTime(0, 3, 0, 5, 2, 0)).substr(0, 43),
                           tziBadRule = Le32(0) + Le32(0) + Le32(0xFFFFFFC4) + SystemTime(0, 10, 0, 5, 3, 0) + SystemTime(0, 3, 8, 5, 2, 0),
                           tziFarBias = Le32(100000) + Le32(0) + Le32(0) + SystemTime(0, 0, 0, 0, 0, 0) + SystemTime(0, 0, 0, 0, 0, 0),
                           tziLondon = Le32(0) + Le32(0) + Le32(0xFFFFFFC4) + SystemTime(0, 10, 0, 5, 2, 0) + SystemTime(0, 3, 0, 5, 1, 0);
  const std::vector<DecodeCase> cases{
      {"recent doc in code page", [&] { return facts::RecentDoc(b(recent), CodePage::Cp932); }, "doc.txt", ""},
      {"recent doc in UTF-16", [&] { return facts::RecentDoc(b(wide), CodePage::Cp932); }, "wide.txt", ""},
      {"recent doc empty", [&] { return facts::RecentDoc(b(empty), CodePage::Cp932); }, "", "empty entry"},
      {"recent doc without a name", [&] { return facts::RecentDoc(b(zeroFirst), CodePage::Cp932); }, "",
       "no file name at the start of the entry"},
      {"bias of 3 bytes", [&] { return facts::Bias(b(shortBias), true); }, "", "4 bytes expected, 3 found"},
      {"bias west of UTC", [&] { return facts::Bias(b(Le32(300)), true); }, "300 minutes (UTC-05:00)", ""},
      {"bias delta", [&] { return facts::Bias(b(twoHours), false); }, "-120 minutes", ""},
      {"bias beyond a day", [&] { return facts::Bias(b(farBias), true); }, "100000 minutes", "more than a day from UTC"},
      {"rule on a fixed date", [&] { return facts::TransitionDate(b(fixed)); }, "1998-04-05 02:30", ""},
      {"rule with day of week 9", [&] { return facts::TransitionDate(b(badRule)); }, "",
       "day of week or week of month out of range"},
      {"rule of 15 bytes", [&] { return facts::TransitionDate(b(mruCut)); }, "", "16 bytes expected, 15 found"},
      {"run entry", [&] { return facts::RunCommand(b(run), CodePage::Cp932); }, "cmd /c dir", ""},
      {"run entry without \\1", [&] { return facts::RunCommand(b(runNoSuffix), CodePage::Cp932); }, "cmd", ""},
      {"TZI of 43 bytes", [&] { return facts::TimeZoneTzi(b(tziCut)); }, "", "44 bytes expected, 43 found"},
      {"TZI with day of week 8", [&] { return facts::TimeZoneTzi(b(tziBadRule)); }, "",
       "DaylightDate: day of week or week of month out of range"},
      {"TZI beyond a day", [&] { return facts::TimeZoneTzi(b(tziFarBias)); }, "", "Bias 100000 minutes: more than a day from UTC"},
      {"TZI of UTC with summer time", [&] { return facts::TimeZoneTzi(b(tziLondon)); },
       "UTC+00:00 (bias 0 minutes); standard time (+0 minutes) from the last Sunday of October at 02:00; daylight time "
       "(-60 minutes) from the last Sunday of March at 01:00",
       ""},
  };
  for (const DecodeCase& c : cases) {
    const facts::Decoded d = c.decode();
    EXPECT_EQ(d.text, c.text) << c.name;
    EXPECT_EQ(d.problem, c.problem) << c.name;
  }
}

TEST(FactsDecode, MruOrders) {
  const auto b = [](const std::string& s) { return Bytes(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()); };
  EXPECT_EQ(facts::MruListOrder(b(std::string("cab\0z", 5))), (std::vector<std::string>{"c", "a", "b"}));
  EXPECT_EQ(facts::MruListOrder(b("a1a-b")), (std::vector<std::string>{"a", "b"}));  // repeats and non-letters dropped
  const std::string ex = Le32(2) + Le32(0) + Le32(2) + Le32(0xFFFFFFFF) + Le32(7) + "\x01";
  EXPECT_EQ(facts::MruListExOrder(b(ex)), (std::vector<std::string>{"2", "0"}));
}

TEST(FactsTable, WildcardsMatchWithinOneComponent) {
  EXPECT_TRUE(facts::MatchComponent("RUN*", "RUNSERVICESONCE"));
  EXPECT_TRUE(facts::MatchComponent("run*", "RUN"));
  EXPECT_TRUE(facts::MatchComponent("*", ""));
  EXPECT_TRUE(facts::MatchComponent("a?c*e", "ABCDDE"));
  EXPECT_FALSE(facts::MatchComponent("RUN*", "XRUN"));
  EXPECT_FALSE(facts::MatchComponent("a?c", "ac"));
  EXPECT_TRUE(facts::MatchComponent(std::string(30, '*') + "b", std::string(5000, 'a') + "b"));
}

// The links where they find less than the fixture holds: each case a small system.dat.
struct LinkCase {
  std::string name;
  std::function<void(TreeBuilder&)> build;
  std::string_view id;
  std::vector<std::string> expected;
};

TEST(FactsLinks, WhatALinkMissesIsSaid) {
  const std::string tzi = kCcs + "\\Control\\TimeZoneInformation";
  const std::string zones = kCv + "\\Time Zones\\";
  const auto active = [&](TreeBuilder& t, const std::string& name, std::uint32_t bias) {
    t.Key(tzi, {Text("StandardName", name), Binary("Bias", Le32(bias)), Binary("StandardBias", Le32(0)),
                Binary("DaylightBias", Le32(0xFFFFFFC4)), Binary("StandardStart", SystemTime(0, 10, 0, 5, 3, 0)),
                Binary("DaylightStart", SystemTime(0, 3, 0, 5, 2, 0))});
  };
  const auto zone = [&](TreeBuilder& t, const std::string& key, const std::string& std, std::uint32_t bias) {
    t.Key(zones + key, {Text("Display", key + " display"), Text("Std", std),
                        Binary("TZI", Le32(bias) + Le32(0) + Le32(0xFFFFFFC4) + SystemTime(0, 10, 0, 5, 3, 0) +
                                          SystemTime(0, 3, 0, 5, 2, 0))});
  };
  const std::string adapter = "Enum\\PCI\\VEN_8086&DEV_1229\\BUS_00&DEV_0C";
  const std::vector<LinkCase> cases{
      {"zone named, its bias differs",
       [&](TreeBuilder& t) {
         active(t, "Romance Standard Time", 0xFFFFFFC4);
         zone(t, "Romance Standard Time", "Romance Standard Time", 0xFFFFFF88);
       },
       "system.time-zone-entry",
       {tzi + " | StandardName = Romance Standard Time [the entry Time Zones\\Romance Standard Time by its name; its TZI "
              "differs in Bias]",
        zones + "Romance Standard Time | Display = Romance Standard Time display <- the zone StandardName names",
        zones + "Romance Standard Time | TZI = UTC+02:00 (bias -120 minutes); standard time (+0 minutes) from the last "
                "Sunday of October at 03:00; daylight time (-60 minutes) from the last Sunday of March at 02:00 <- the "
                "zone StandardName names"}},
      {"no zone of the name, two of the rules",
       [&](TreeBuilder& t) {
         active(t, "Custom Time", 0xFFFFFFC4);
         zone(t, "Romance", "Romance Standard Time", 0xFFFFFFC4);
         zone(t, "W. Europe", "W. Europe Standard Time", 0xFFFFFFC4);
         zone(t, "GTB", "GTB Standard Time", 0xFFFFFF88);
       },
       "system.time-zone-entry",
       {tzi + " | StandardName = Custom Time [no entry has this name; the rules agree with Time Zones\\Romance, Time "
              "Zones\\W. Europe]",
        zones + "Romance | Display = Romance display <- a zone whose TZI agrees with the active rules",
        zones + "Romance | TZI = UTC+01:00 (bias -60 minutes); standard time (+0 minutes) from the last Sunday of October at "
                "03:00; daylight time (-60 minutes) from the last Sunday of March at 02:00 <- a zone whose TZI agrees with "
                "the active rules",
        zones + "W. Europe | Display = W. Europe display <- a zone whose TZI agrees with the active rules",
        zones + "W. Europe | TZI = UTC+01:00 (bias -60 minutes); standard time (+0 minutes) from the last Sunday of October "
                "at 03:00; daylight time (-60 minutes) from the last Sunday of March at 02:00 <- a zone whose TZI agrees "
                "with the active rules"}},
      {"no Time Zones table", [&](TreeBuilder& t) { active(t, "Tokyo Standard Time", 0xFFFFFDE4); },
       "system.time-zone-entry", {tzi + " | StandardName = Tokyo Standard Time [no Time Zones table in this hive]"}},
      {"neither name nor rules",
       [&](TreeBuilder& t) {
         active(t, "Custom Time", 0xFFFFFFC4);
         zone(t, "GTB", "GTB Standard Time", 0xFFFFFF88);
       },
       "system.time-zone-entry",
       {tzi + " | StandardName = Custom Time [no entry of the Time Zones table has this name or these rules]"}},
      {"driver and bindings that name nothing",
       [&](TreeBuilder& t) {
         t.Key(adapter, {Text("Class", "Net"), Text("DeviceDesc", "EtherExpress"), Text("Driver", "Net\\0007")});
         t.Key(adapter + "\\Bindings", {Text("MSTCP\\0003", ""), Text("NETBEUI\\0000", ""), Text("..\\..", "")});
         t.Key("Enum\\Network\\NETBEUI\\0000", {Text("Class", "NetTrans")});
       },
       "hardware.adapter-links",
       {adapter + " | DeviceDesc = EtherExpress [Driver = Net\\0007 names no key under Services\\Class; bound "
                  "MSTCP\\0003 is not under Enum\\Network; bound NETBEUI\\0000: Enum\\Network\\NETBEUI\\0000 has no "
                  "Driver value; bound ..\\.. is not under Enum\\Network]"}},
      {"a driver value of one component",
       [&](TreeBuilder& t) {
         t.Key(adapter, {Text("Class", "Net"), Text("DeviceDesc", "EtherExpress"), Text("Driver", "Net")});
         t.Key(kCcs + "\\Services\\Class\\Net", {Text("Class", "Net")});
       },
       "hardware.adapter-links", {adapter + " | DeviceDesc = EtherExpress [Driver = Net names no key under Services\\Class]"}},
  };
  for (const LinkCase& c : cases) {
    TreeBuilder t;
    t.Key("Enum\\Root");
    c.build(t);
    const BuiltHive built = t.builder.Build();
    const Loaded loaded(built.bytes);
    const std::vector<facts::HiveSource> sources{loaded.Source("SYSTEM.DAT")};
    EXPECT_EQ(LinesOf(facts::CollectFacts(sources), c.id), c.expected) << c.name;
  }
}

TEST(FactsLinks, TheTextReportSaysHowALinkedKeyWasReached) {
  const BuiltHive system = SystemFixture();
  const Loaded loaded(system.bytes);
  const std::vector<facts::HiveSource> sources{loaded.Source("SYSTEM.DAT")};
  const std::string text = facts::FactsText(sources, facts::CollectFacts(sources));
  EXPECT_NE(text.find("Network adapters with their drivers and bound protocols\n"
                      "  [1] Enum\\PCI\\VEN_10EC&DEV_8139\\BUS_00&DEV_0B\n"
                      "      DeviceDesc = Realtek RTL8139\n"
                      "  [1] System\\CurrentControlSet\\Services\\Class\\Net\\0000\n"
                      "      <- the driver: Driver = Net\\0000\n"
                      "      DriverDesc = Realtek RTL8139(A) PCI Fast Ethernet Adapter\n"
                      "  [1] System\\CurrentControlSet\\Services\\Class\\NetTrans\\0001\n"
                      "      <- bound protocol MSTCP\\0001: Driver = NetTrans\\0001\n"
                      "      DriverDesc = TCP/IP\n"
                      "      IPAddress = 192.168.0.5\n"),
            std::string::npos)
      << text;
  const std::string json = facts::FactsJson(sources, facts::CollectFacts(sources));
  EXPECT_NE(json.find("\"via\": \"the driver: Driver = Net\\\\0000\""), std::string::npos);
  // The TZI's raw bytes are kept beside its reading.
  EXPECT_NE(json.find("\"value\": \"TZI\", \"type\": 3, \"typeName\": \"REG_BINARY\", \"data\": \"e4fdffff00000000c4ffffff"),
            std::string::npos)
      << json;
}

TEST(FactsRecovered, DeletedRunMruIsListedWithItsConfidence) {
  TreeBuilder t;
  t.Key("AppEvents");
  t.Key(kCv + "\\Explorer", {Text("Logon User Name", "taro")});
  const int mru = t.Key(kCv + "\\Explorer\\RunMRU", {Text("a", "secret.exe\\1"), Text("MRUList", "a")});
  BuiltHive built = t.builder.Build();
  DeleteKey(built, mru);
  const Loaded loaded(built.bytes);
  const std::vector<facts::HiveSource> sources{loaded.Source("USER.DAT")};
  const facts::FactsResult result = facts::CollectFacts(sources);
  EXPECT_EQ(LinesOf(result, "traces.run-mru"),
            (std::vector<std::string>{kCv + "\\Explorer\\RunMRU | #1 a = secret.exe {recovered high}"}));
  // Recovery ties the freed record to its node by elimination: the key is certain, its path a guess.
  const std::string text = facts::FactsText(sources, result);
  EXPECT_NE(text.find("RunMRU  (recovered, confidence high)\n      ! the path was guessed from the surviving links\n"
                      "      1. a = secret.exe\n"),
            std::string::npos)
      << text;
}

TEST(FactsDamaged, FactsOfAKeyWithValuesCutShowTheFinding) {
  TreeBuilder t;
  t.Key("AppEvents");
  const int desktop = t.Key("Control Panel\\Desktop", {Text("Wallpaper", "C:\\WINDOWS\\Clouds.bmp")});
  BuiltHive built = t.builder.Build();
  // DatN claims one more value than the record holds.
  built.PutU16(built.keyRecord[static_cast<std::size_t>(desktop)] + 14, 2);
  const Loaded loaded(built.bytes);
  const std::vector<facts::HiveSource> sources{loaded.Source("USER.DAT")};
  const facts::FactsResult result = facts::CollectFacts(sources);
  ASSERT_EQ(LinesOf(result, "traces.desktop"),
            (std::vector<std::string>{"Control Panel\\Desktop | Wallpaper = C:\\WINDOWS\\Clouds.bmp"}));
  const Fact& f = result.facts.front();
  ASSERT_FALSE(f.findings.empty());
  const std::string text = facts::FactsText(sources, result);
  EXPECT_NE(text.find("Control Panel\\Desktop  (damaged)\n      ! "), std::string::npos) << text;
}

TEST(FactsCli, JsonAndCsvOfTheUserFixture) {
  TempDir dir;
  const std::string file = dir.Write("USER.DAT", UserFixture());
  std::ostringstream out, err;
  const std::string json = dir.Path("facts.json").string(), csv = dir.Path("facts.csv").string();
  ASSERT_EQ(cli::RunCli({"facts", "--json", json, "--csv", csv, file}, out, err), 0) << err.str();
  EXPECT_NE(out.str().find("== The user's traces ==\n\nTyped URLs\n  [1] Software\\Microsoft\\Internet Explorer\\TypedURLs\n"
                           "      1. url1 = http://a.example/\n"),
            std::string::npos)
      << out.str();
  const std::string j = ReadFileBytes(json);
  EXPECT_NE(j.find("\"fact\": \"traces.recent-docs\", \"theme\": \"traces\""), std::string::npos);
  EXPECT_NE(j.find("\"data\": \"7265706f72742e646f63007265706f72742e6c6e6b001400\""), std::string::npos) << j;
  const std::string c = ReadFileBytes(csv);
  EXPECT_EQ(c.substr(0, c.find("\r\n")), "theme,fact,label,file,hive kind,key,value,position,type,text,note,origin,findings,data,via");
  EXPECT_NE(c.find("\"traces.run-mru\""), std::string::npos);
}

TEST(FactsCli, CsvDefusesFormulas) {
  TreeBuilder t;
  t.Key("AppEvents");
  t.Key(kCv + "\\Run", {Text("x", "=HYPERLINK(\"http://evil\")")});
  TempDir dir;
  const std::string file = dir.Write("USER.DAT", t.builder.Build());
  std::ostringstream out, err;
  ASSERT_EQ(cli::RunCli({"facts", "--csv", "-", file}, out, err), 0) << err.str();
  EXPECT_NE(out.str().find(",\"'=HYPERLINK(\"\"http://evil\"\")\","), std::string::npos) << out.str();
}

TEST(FactsCli, UsageAndUnreadableFiles) {
  TempDir dir;
  const std::string good = dir.Write("USER.DAT", UserFixture());
  const std::string bad = dir.Write("NOT.DAT", std::string(64, 'x'));
  std::ostringstream out, err;
  EXPECT_EQ(cli::RunCli({"facts"}, out, err), cli::kExitUsage);
  EXPECT_EQ(cli::RunCli({"facts", "--json", good, good}, out, err), cli::kExitUsage);
  std::ostringstream out2, err2;
  EXPECT_EQ(cli::RunCli({"facts", bad, good}, out2, err2), cli::kExitJobFailed);
  EXPECT_NE(err2.str().find("NOT.DAT: not a registry file"), std::string::npos) << err2.str();
  EXPECT_NE(out2.str().find("Facts of 1 hive"), std::string::npos);
}

TEST(FactsReal, UserDatMatchesGolden) {
  const auto real = RealUserDat();
  ASSERT_TRUE(real);
  const Loaded loaded(std::vector<std::uint8_t>(real->begin(), real->end()));
  const std::vector<facts::HiveSource> sources{loaded.Source("USER.DAT")};
  const facts::FactsResult result = facts::CollectFacts(sources);
  EXPECT_TRUE(MatchesGolden("facts_user_dat.txt", facts::FactsText(sources, result)));
}

}  // namespace
}  // namespace quarvex::testing
