// The facts report: one fixture row per definition of the table (built with the hive builder),
// the decoders of MRU lists, recent documents and time zone rules, recovered and damaged keys,
// quarvex-cli facts, and the facts of the real user.dat as a golden file.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "cli/cli_run.h"
#include "browse/hive_view.h"
#include "facts/collect.h"
#include "facts/decode.h"
#include "facts/facts_output.h"
#include "facts/time_decode.h"
#include "facts/time_zone.h"
#include "recover/recover.h"
#include "salvage/salvage.h"
#include "testkit/path_tree.h"
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

std::string Le64(std::uint64_t n) {
  return Le32(static_cast<std::uint32_t>(n)) + Le32(static_cast<std::uint32_t>(n >> 32));
}

// A UserAssist entry: session, run count, FILETIME of the last run.
std::string UserAssistData(std::uint32_t session, std::uint32_t count, std::uint64_t filetime) {
  return Le32(session) + Le32(count) + Le64(filetime);
}

// A shell item list: My Computer, drive C:, the folder WINDOWS written 2015-05-22 17:45:02.
std::string StreamMruEntry() {
  std::string myComputer("\x14\x00\x1f\x50\xe0\x4f\xd0\x20\xea\x3a\x69\x10\xa2\xd8\x08\x00\x2b\x30\x30\x9d", 20);
  std::string drive = std::string("\x19\x00\x23", 3) + "C:\\" + std::string(19, '\0');
  std::string folder = std::string("\x16\x00\x31\x00", 4) + Le32(0) + std::string("\xb6\x46\xa1\x8d\x10\x00", 6) +
                       std::string("WINDOWS\0", 8);
  return myComputer + drive + folder + std::string(2, '\0');
}

std::string Utf16(std::string_view ascii) {
  std::string s;
  for (const char c : ascii) {
    s += c;
    s += '\0';
  }
  return s + std::string(2, '\0');
}

using TreeBuilder = testkit::PathTree;

const std::string kCv = "Software\\Microsoft\\Windows\\CurrentVersion";
const std::string kCcs = "System\\CurrentControlSet";

BuiltHive SystemFixture() {
  TreeBuilder t;
  t.Key(kCv, {Text("ProductName", "Microsoft Windows ME"), Text("Version", "Windows Millennium Edition"),
              Text("VersionNumber", "4.90.3000"), Text("ProductId", "55274-OEM-0011903-00102"),
              Text("RegisteredOwner", "Taro"), Text("RegisteredOrganization", "Retro Ltd"),
              Text("SystemRoot", "C:\\WINDOWS"), Binary("FirstInstallDateTime", std::string("\xa1\x8d\xb6\x46", 4))});
  t.Key(kCv + "\\Setup", {Text("SourcePath", "D:\\WIN9X\\"), Text("CommandLine", "/SrcDir=D:\\WIN9X")});
  t.Key(kCv + "\\Setup\\OptionalComponents\\Games",
        {Text("INF", "games.inf"), Text("Section", "games"), Text("Installed", "1")});
  t.Key("Software\\Microsoft\\Internet Explorer", {Text("Version", "5.50.4134.0100"), Text("Build", "54134")});
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
         Binary("TZI", Le32(300) + Le32(0) + Le32(0xFFFFFFC4) + SystemTime(0, 10, 0, 5, 2, 0) +
                           SystemTime(0, 4, 0, 1, 2, 0))});
  t.Key(kCv + "\\Time Zones\\Tokyo Standard Time",
        {Text("Display", "(GMT+09:00) Osaka, Sapporo, Tokyo"), Text("Std", "Tokyo Standard Time"),
         Text("Dlt", "Tokyo Daylight Time"),
         Binary("TZI", Le32(0xFFFFFDE4) + Le32(0) + Le32(0xFFFFFFC4) + SystemTime(0, 10, 0, 5, 3, 0) +
                           SystemTime(0, 0, 0, 0, 0, 0))});
  t.Key(kCcs + "\\Control\\Nls\\Codepage", {Text("850", "c_850.nls"), Text("ACP", "932"), Text("OEMCP", "932")});
  t.Key(kCcs + "\\Control\\Nls\\Locale", {Text("", "00000411")});
  t.Key("Network\\Logon", {Text("PrimaryProvider", "Microsoft Network"), Text("username", "taro")});
  t.Key(kCv + "\\ProfileList\\taro", {Text("ProfileImagePath", "C:\\WINDOWS\\Profiles\\taro")});
  t.Key(kCv + "\\Uninstall\\WinZip",
        {Text("UninstallString", "C:\\PROGRA~1\\WINZIP\\WINZIP32.EXE /uninstall"), Text("DisplayName", "WinZip"),
         Text("InstallDate", "20150522"), Text("Publisher", "WinZip Computing")});
  // Entries without a DisplayName are listed too.
  t.Key(kCv + "\\Uninstall\\IE40", {Text("QuietDisplayName", "Internet Explorer 5.5")});
  t.Key(kCv + "\\Uninstall\\MPlayer2");
  t.Key(kCv + "\\App Paths\\WINZIP32.EXE", {Text("", "C:\\PROGRA~1\\WINZIP\\winzip32.exe")});
  t.Key(kCv + "\\RunServices", {Text("SchedulingAgent", "mstask.exe")});
  t.Key(kCv + "\\RunOnce", {Text("Setup", "runonce.exe -q")});
  t.Key(kCv + "\\Shell Extensions\\Approved", {Text("{00020D75-0000-0000-C000-000000000046}", "Mail Extension")});
  t.Key(kCv + "\\ShellServiceObjectDelayLoad", {Text("SysTray", "{35CEC8A3-2BE6-11D2-8773-92E220524153}")});
  t.Key(kCv + "\\Explorer\\ShellExecuteHooks", {Text("{AEB6717E-7E19-11D0-97EE-00C04FD91972}", "")});
  t.Key(kCv + "\\Explorer\\Browser Helper Objects\\{06849E9F-C8D7-4D59-B87D-784B7D6BE0B3}");
  t.Key("Enum\\ESDI\\GENERIC_IDE__DISK_TYPE47_\\MF&CHILD0000",
        {Text("Class", "DiskDrive"), Text("DeviceDesc", "GENERIC IDE DISK TYPE47")});
  t.Key("Enum\\SCSI\\MATSHITACD-ROM_CR-587\\MF&CHILD0001",
        {Text("Class", "cdrom"), Text("DeviceDesc", "MATSHITA CD-ROM CR-587")});
  t.Key("Enum\\USB\\VID_046D&PID_C00E\\5&1", {Text("Class", "HID"), Text("DeviceDesc", "USB Human Interface Device")});
  t.Key("Enum\\PCI\\VEN_10EC&DEV_8139\\BUS_00&DEV_0B",
        {Text("Class", "Net"), Text("DeviceDesc", "Realtek RTL8139"), Text("Driver", "Net\\0000")});
  // The adapter's Bindings name the protocol's device key, whose Driver names its settings.
  t.Key("Enum\\PCI\\VEN_10EC&DEV_8139\\BUS_00&DEV_0B\\Bindings", {Text("MSTCP\\0001", "")});
  t.Key("Enum\\Network\\MSTCP\\0001",
        {Text("Class", "NetTrans"), Text("Driver", "NetTrans\\0001"), Text("DeviceDesc", "TCP/IP")});
  t.Key(kCcs + "\\Services\\Class\\Net\\0000", {Text("DriverDesc", "Realtek RTL8139(A) PCI Fast Ethernet Adapter")});
  t.Key("Enum\\PCI\\VEN_5333&DEV_8A22\\BUS_01&DEV_00",
        {Text("Class", "DISPLAY"), Text("DeviceDesc", "S3 Savage4"), Text("Driver", "DISPLAY\\0000")});
  t.Key(kCcs + "\\Services\\Class\\DISPLAY\\0000",
        {Text("DriverDesc", "S3 Savage4"), Text("ProviderName", "S3"), Text("DriverDate", "10-20-1999")});
  t.Key("Enum\\MONITOR\\DEFAULT_MONITOR\\0001",
        {Text("Class", "Monitor"), Text("DeviceDesc", "Plug and Play Monitor"), Text("Driver", "MONITOR\\0000")});
  t.Key("Enum\\PCI\\VEN_1274&DEV_5000\\BUS_00&DEV_0C",
        {Text("Class", "MEDIA"), Text("DeviceDesc", "Creative AudioPCI")});
  t.Key("Enum\\Root\\Modem\\0000", {Text("Class", "Modem"), Text("DeviceDesc", "Standard 56000 bps Modem")});
  t.Key("Enum\\Root\\Printer\\0000", {Text("Class", "Printer"), Text("DeviceDesc", "HP LaserJet 4")});
  t.Key("Enum\\BIOS\\*PNP0501\\0D",
        {Text("Class", "Ports"), Text("DeviceDesc", "Communications Port"), Text("PortName", "COM1")});
  t.Key("Enum\\PCI\\VEN_8086&DEV_7111\\BUS_00&DEV_07",
        {Text("Class", "hdc"), Text("DeviceDesc", "Intel PCI Bus Master IDE Controller")});
  t.Key("Enum\\BIOS\\*PNP0303\\0B", {Text("Class", "Keyboard"), Text("DeviceDesc", "Standard 101/102-Key Keyboard")});
  t.Key("Enum\\BIOS\\*PNP0F13\\0C", {Text("Class", "Mouse"), Text("DeviceDesc", "Standard PS/2 Port Mouse")});
  t.Key(kCcs + "\\Services\\Class\\NetTrans\\0000",
        {Text("DriverDesc", "TCP/IP"), Text("IPAddress", "0.0.0.0"), Text("IPMask", "0.0.0.0")});
  t.Key(kCcs + "\\Services\\Class\\NetTrans\\0001",
        {Text("DriverDesc", "TCP/IP"), Text("IPAddress", "192.168.0.5"), Text("IPMask", "255.255.255.0"),
         Text("DefaultGateway", "192.168.0.1")});
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
  t.Key(under + kCv + "\\Explorer\\RecentDocs\\.txt", {Binary("0", Utf16("a.txt")), Binary("1", Utf16("b.txt")),
                                                       Binary("MRUListEx", Le32(1) + Le32(0) + Le32(0xFFFFFFFF))});
  t.Key(under + kCv + "\\Explorer\\Doc Find Spec MRU", {Text("a", "*.doc"), Text("MRUList", "a")});
  t.Key(under + kCv + "\\Explorer\\FindComputerMRU", {Text("a", "SERVER"), Text("MRUList", "a")});
  t.Key(under + kCv + "\\Applets\\Paint\\Recent File List", {Text("File1", "C:\\a.bmp")});
  t.Key(under + kCv + "\\Applets\\Wordpad\\Recent File List", {Text("File2", "C:\\c.doc"), Text("File1", "C:\\b.doc")});
  t.Key(under + "Software\\Acme\\Editor\\Recent File List", {Text("File1", "C:\\x.txt")});
  t.Key(under + kCv + "\\Explorer\\Shell Folders", {Text("Desktop", "C:\\WINDOWS\\Desktop")});
  t.Key(under + kCv + "\\Explorer\\User Shell Folders", {Text("Personal", "C:\\My Documents")});
  t.Key(under + kCv + "\\Run", {Text("Pointer", "point32.exe")});
  t.Key(under + "Control Panel\\Desktop",
        {Text("ScreenSaveActive", "1"), Text("Wallpaper", "C:\\WINDOWS\\Clouds.bmp")});
  t.Key(under + "InstallLocationsMRU",
        {Text("a", "C:\\VBE9X\\UNI\\"), Text("MRUList", "ba"), Text("b", "D:\\VBE9X\\UNI\\")});
  t.Key(under + kCv + "\\Explorer\\StreamMRU",
        {Binary("0", StreamMruEntry()), Binary("MRUListEx", Le32(0) + Le32(0xFFFFFFFF))});
  t.Key(under + kCv + "\\Explorer\\UserAssist\\{75048700-EF1F-11D0-9888-006097DEACF9}\\Count",
        {Binary("HRZR_PGYFRFFVBA", std::string("\x8f\xb3\x84\x0e\x02\x00\x00\x00", 8)),
         Binary("HRZR_EHACNGU:P:\\JVAQBJF\\ehaqyy32.rkr", UserAssistData(2, 16, 0x01D0967333BD6500ULL)),
         Binary("HRZR_EHACVQY:%pfvqy2%\\Tnzrf", UserAssistData(1, 2, 0)), Binary("HRZR_bqq", "12345")});
  t.Key(under + kCv + "\\Explorer\\MountPoints\\A", {Text("BaseClass", "Drive"), Binary("_UB", Le32(2))});
  t.Key(under + kCv + "\\Explorer\\MountPoints\\_Notif");
  t.Key(under + "Identities\\{5BF89071-1772-4861-B17B-50F47CC6DBDD}",
        {Text("Username", "Main Identity"), Text("User ID", "{5BF89071-1772-4861-B17B-50F47CC6DBDD}")});
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
  bool user;                          // found in the user fixture (else the system fixture)
  std::vector<std::string> expected;  // paths relative to the user's root
};

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows{
      {"system.version",
       false,
       {kCv + " | ProductName = Microsoft Windows ME", kCv + " | Version = Windows Millennium Edition",
        kCv + " | VersionNumber = 4.90.3000", kCv + " | ProductId = 55274-OEM-0011903-00102",
        kCv + " | RegisteredOwner = Taro", kCv + " | RegisteredOrganization = Retro Ltd",
        kCv + " | SystemRoot = C:\\WINDOWS"}},
      {"system.computer-name", false, {kCcs + "\\Control\\ComputerName\\ComputerName | ComputerName = RETRO98"}},
      {"system.network-identity",
       false,
       {kCcs + "\\Services\\VxD\\VNETSUP | ComputerName = RETRO98",
        kCcs + "\\Services\\VxD\\VNETSUP | Workgroup = OFFICE",
        kCcs + "\\Services\\VxD\\VNETSUP | Comment = front desk"}},
      {"system.time-zone",
       false,
       {kCcs + "\\Control\\TimeZoneInformation | StandardName = Tokyo Standard Time",
        kCcs + "\\Control\\TimeZoneInformation | DaylightName = Tokyo Daylight Time"}},
      {"system.time-zone-bias", false, {kCcs + "\\Control\\TimeZoneInformation | Bias = -540 minutes (UTC+09:00)"}},
      {"system.time-zone-active",
       false,
       {kCcs +
        "\\Control\\TimeZoneInformation | ActiveTimeBias = -540 minutes (UTC+09:00): standard time was in force"}},
      {"system.first-install",
       false,
       {kCv + " | FirstInstallDateTime = 2015-05-22 17:45:02 local time (2015-05-22 08:45:02 UTC)"}},
      {"system.setup",
       false,
       {kCv + "\\Setup | SourcePath = D:\\WIN9X\\", kCv + "\\Setup | CommandLine = /SrcDir=D:\\WIN9X"}},
      {"system.install-locations",
       true,
       {"InstallLocationsMRU | #1 b = D:\\VBE9X\\UNI\\", "InstallLocationsMRU | #2 a = C:\\VBE9X\\UNI\\"}},
      {"system.internet-explorer",
       false,
       {"Software\\Microsoft\\Internet Explorer | Version = 5.50.4134.0100",
        "Software\\Microsoft\\Internet Explorer | Build = 54134"}},
      {"system.time-zone-delta",
       false,
       {kCcs + "\\Control\\TimeZoneInformation | StandardBias = 0 minutes",
        kCcs + "\\Control\\TimeZoneInformation | DaylightBias = -60 minutes"}},
      {"system.time-zone-rules",
       false,
       {kCcs + "\\Control\\TimeZoneInformation | StandardStart = the last Sunday of October at 03:00",
        kCcs + "\\Control\\TimeZoneInformation | DaylightStart = none (no daylight saving time)"}},
      {"system.time-zone-entry",
       false,
       {kCcs +
            "\\Control\\TimeZoneInformation | StandardName = Tokyo Standard Time [the entry Time Zones\\Tokyo Standard "
            "Time by its name; its TZI agrees with Bias, StandardBias, DaylightBias and both start rules]",
        kCv + "\\Time Zones\\Tokyo Standard Time | Display = (GMT+09:00) Osaka, Sapporo, Tokyo <- the zone "
              "StandardName names",
        kCv + "\\Time Zones\\Tokyo Standard Time | TZI = UTC+09:00 (bias -540 minutes); no daylight saving time <- the "
              "zone "
              "StandardName names"}},
      {"system.time-zone-table",
       false,
       {kCv + "\\Time Zones\\Eastern Standard Time | Display = (GMT-05:00) Eastern Time (US & Canada)",
        kCv + "\\Time Zones\\Eastern Standard Time | Std = Eastern Standard Time",
        kCv + "\\Time Zones\\Eastern Standard Time | Dlt = Eastern Daylight Time",
        kCv +
            "\\Time Zones\\Eastern Standard Time | TZI = UTC-05:00 (bias 300 minutes); standard time (+0 minutes) from "
            "the last Sunday of October at 02:00; daylight time (-60 minutes) from the first Sunday of April at 02:00",
        kCv + "\\Time Zones\\Tokyo Standard Time | Display = (GMT+09:00) Osaka, Sapporo, Tokyo",
        kCv + "\\Time Zones\\Tokyo Standard Time | Std = Tokyo Standard Time",
        kCv + "\\Time Zones\\Tokyo Standard Time | Dlt = Tokyo Daylight Time",
        kCv + "\\Time Zones\\Tokyo Standard Time | TZI = UTC+09:00 (bias -540 minutes); no daylight saving time"}},
      {"system.code-page",
       false,
       {kCcs + "\\Control\\Nls\\Codepage | ACP = 932", kCcs + "\\Control\\Nls\\Codepage | OEMCP = 932"}},
      {"system.locale", false, {kCcs + "\\Control\\Nls\\Locale |  = 00000411"}},
      {"system.last-logon",
       false,
       {"Network\\Logon | username = taro", "Network\\Logon | PrimaryProvider = Microsoft Network"}},
      {"system.profiles", false, {kCv + "\\ProfileList\\taro | ProfileImagePath = C:\\WINDOWS\\Profiles\\taro"}},
      {"system.logon-user", true, {kCv + "\\Explorer | Logon User Name = taro"}},
      {"programs.installed",
       false,
       {kCv + "\\Uninstall\\WinZip | WinZip", kCv + "\\Uninstall\\WinZip | DisplayName = WinZip",
        kCv + "\\Uninstall\\WinZip | Publisher = WinZip Computing",
        kCv + "\\Uninstall\\WinZip | InstallDate = 2015-05-22",
        kCv + "\\Uninstall\\WinZip | UninstallString = C:\\PROGRA~1\\WINZIP\\WINZIP32.EXE /uninstall",
        kCv + "\\Uninstall\\IE40 | IE40", kCv + "\\Uninstall\\IE40 | QuietDisplayName = Internet Explorer 5.5",
        kCv + "\\Uninstall\\MPlayer2 | MPlayer2"}},
      {"programs.optional-components",
       false,
       {kCv + "\\Setup\\OptionalComponents\\Games | Games", kCv + "\\Setup\\OptionalComponents\\Games | Installed = 1",
        kCv + "\\Setup\\OptionalComponents\\Games | INF = games.inf",
        kCv + "\\Setup\\OptionalComponents\\Games | Section = games"}},
      {"programs.app-paths", false, {kCv + "\\App Paths\\WINZIP32.EXE |  = C:\\PROGRA~1\\WINZIP\\winzip32.exe"}},
      {"programs.startup", true, {kCv + "\\Run | Pointer = point32.exe"}},
      {"programs.shell-extensions",
       false,
       {kCv + "\\Shell Extensions\\Approved | {00020D75-0000-0000-C000-000000000046} = Mail Extension"}},
      {"programs.shell-service-objects",
       false,
       {kCv + "\\ShellServiceObjectDelayLoad | SysTray = {35CEC8A3-2BE6-11D2-8773-92E220524153}"}},
      {"programs.shell-execute-hooks",
       false,
       {kCv + "\\Explorer\\ShellExecuteHooks | {AEB6717E-7E19-11D0-97EE-00C04FD91972} = "}},
      {"programs.browser-helpers",
       false,
       {kCv + "\\Explorer\\Browser Helper Objects\\{06849E9F-C8D7-4D59-B87D-784B7D6BE0B3} | "
              "{06849E9F-C8D7-4D59-B87D-784B7D6BE0B3}"}},
      {"programs.vxd-services", false, {kCcs + "\\Services\\VxD\\VNETSUP | StaticVxD = vnetsup.vxd"}},
      {"hardware.disks",
       false,
       {"Enum\\ESDI\\GENERIC_IDE__DISK_TYPE47_\\MF&CHILD0000 | DeviceDesc = GENERIC IDE DISK TYPE47"}},
      {"hardware.cdroms",
       false,
       {"Enum\\SCSI\\MATSHITACD-ROM_CR-587\\MF&CHILD0001 | DeviceDesc = MATSHITA CD-ROM CR-587"}},
      {"hardware.usb",
       false,
       {"Enum\\USB\\VID_046D&PID_C00E\\5&1 | DeviceDesc = USB Human Interface Device",
        "Enum\\USB\\VID_046D&PID_C00E\\5&1 | Class = HID"}},
      {"hardware.network-adapters",
       false,
       {"Enum\\PCI\\VEN_10EC&DEV_8139\\BUS_00&DEV_0B | DeviceDesc = Realtek RTL8139",
        "Enum\\PCI\\VEN_10EC&DEV_8139\\BUS_00&DEV_0B | Driver = Net\\0000"}},
      {"hardware.display",
       false,
       {"Enum\\PCI\\VEN_5333&DEV_8A22\\BUS_01&DEV_00 | DeviceDesc = S3 Savage4",
        "Enum\\PCI\\VEN_5333&DEV_8A22\\BUS_01&DEV_00 | Driver = DISPLAY\\0000",
        kCcs + "\\Services\\Class\\DISPLAY\\0000 | DriverDesc = S3 Savage4 <- the driver: Driver = DISPLAY\\0000",
        kCcs + "\\Services\\Class\\DISPLAY\\0000 | ProviderName = S3 <- the driver: Driver = DISPLAY\\0000",
        kCcs + "\\Services\\Class\\DISPLAY\\0000 | DriverDate = 10-20-1999 <- the driver: Driver = DISPLAY\\0000"}},
      {"hardware.monitors",
       false,
       {"Enum\\MONITOR\\DEFAULT_MONITOR\\0001 | DeviceDesc = Plug and Play Monitor [Driver = MONITOR\\0000 names no "
        "key "
        "under Services\\Class]",
        "Enum\\MONITOR\\DEFAULT_MONITOR\\0001 | Driver = MONITOR\\0000"}},
      {"hardware.sound", false, {"Enum\\PCI\\VEN_1274&DEV_5000\\BUS_00&DEV_0C | DeviceDesc = Creative AudioPCI"}},
      {"hardware.modems", false, {"Enum\\Root\\Modem\\0000 | DeviceDesc = Standard 56000 bps Modem"}},
      {"hardware.printers", false, {"Enum\\Root\\Printer\\0000 | DeviceDesc = HP LaserJet 4"}},
      {"hardware.ports",
       false,
       {"Enum\\BIOS\\*PNP0501\\0D | DeviceDesc = Communications Port", "Enum\\BIOS\\*PNP0501\\0D | PortName = COM1"}},
      {"hardware.disk-controllers",
       false,
       {"Enum\\PCI\\VEN_8086&DEV_7111\\BUS_00&DEV_07 | DeviceDesc = Intel PCI Bus Master IDE Controller"}},
      {"hardware.keyboards", false, {"Enum\\BIOS\\*PNP0303\\0B | DeviceDesc = Standard 101/102-Key Keyboard"}},
      {"hardware.mice", false, {"Enum\\BIOS\\*PNP0F13\\0C | DeviceDesc = Standard PS/2 Port Mouse"}},
      {"hardware.network-drivers",
       false,
       {kCcs + "\\Services\\Class\\Net\\0000 | DriverDesc = Realtek RTL8139(A) PCI Fast Ethernet Adapter"}},
      {"hardware.adapter-links",
       false,
       {"Enum\\PCI\\VEN_10EC&DEV_8139\\BUS_00&DEV_0B | DeviceDesc = Realtek RTL8139",
        kCcs +
            "\\Services\\Class\\Net\\0000 | DriverDesc = Realtek RTL8139(A) PCI Fast Ethernet Adapter <- the driver: "
            "Driver = Net\\0000",
        kCcs + "\\Services\\Class\\NetTrans\\0001 | DriverDesc = TCP/IP <- bound protocol MSTCP\\0001: Driver = "
               "NetTrans\\0001",
        kCcs + "\\Services\\Class\\NetTrans\\0001 | IPAddress = 192.168.0.5 <- bound protocol MSTCP\\0001: Driver = "
               "NetTrans\\0001",
        kCcs + "\\Services\\Class\\NetTrans\\0001 | IPMask = 255.255.255.0 <- bound protocol MSTCP\\0001: Driver = "
               "NetTrans\\0001",
        kCcs +
            "\\Services\\Class\\NetTrans\\0001 | DefaultGateway = 192.168.0.1 <- bound protocol MSTCP\\0001: Driver = "
            "NetTrans\\0001"}},
      {"network.protocols",
       false,
       {kCcs + "\\Services\\Class\\NetTrans\\0000 | DriverDesc = TCP/IP",
        kCcs + "\\Services\\Class\\NetTrans\\0001 | DriverDesc = TCP/IP"}},
      {"network.addresses",
       false,
       {kCcs + "\\Services\\Class\\NetTrans\\0000 | IPAddress = 0.0.0.0 (by DHCP)",
        kCcs + "\\Services\\Class\\NetTrans\\0000 | IPMask = 0.0.0.0 (by DHCP)",
        kCcs + "\\Services\\Class\\NetTrans\\0001 | IPAddress = 192.168.0.5",
        kCcs + "\\Services\\Class\\NetTrans\\0001 | IPMask = 255.255.255.0",
        kCcs + "\\Services\\Class\\NetTrans\\0001 | DefaultGateway = 192.168.0.1"}},
      {"network.tcpip",
       false,
       {kCcs + "\\Services\\VxD\\MSTCP | HostName = retro98",
        kCcs + "\\Services\\VxD\\MSTCP | NameServer = 192.168.0.1"}},
      {"network.shares",
       false,
       {kCv + "\\Network\\LanMan\\DOCS | Path = C:\\DOCS", kCv + "\\Network\\LanMan\\DOCS | Remark = shared",
        kCv + "\\Network\\LanMan\\DOCS | Flags = 0x00000191 (401)"}},
      {"network.mapped-drives",
       true,
       {"Network\\Persistent\\F | RemotePath = \\\\SERVER\\DOCS", "Network\\Persistent\\F | UserName = taro"}},
      {"network.dial-up-default", true, {"RemoteAccess | Default = Office"}},
      {"network.dial-up-connections", true, {"RemoteAccess\\Addresses | Office = 01 02 03 (3 bytes)"}},
      {"network.dial-up-profiles", true, {"RemoteAccess\\Profile\\Office | Office"}},
      {"traces.typed-urls",
       true,
       {"Software\\Microsoft\\Internet Explorer\\TypedURLs | #1 url1 = http://a.example/",
        "Software\\Microsoft\\Internet Explorer\\TypedURLs | #2 url2 = http://b.example/",
        "Software\\Microsoft\\Internet Explorer\\TypedURLs | #10 url10 = http://j.example/"}},
      {"traces.start-page", true, {"Software\\Microsoft\\Internet Explorer\\Main | Start Page = http://home.example/"}},
      {"traces.run-mru",
       true,
       {kCv + "\\Explorer\\RunMRU | #1 c = command", kCv + "\\Explorer\\RunMRU | #2 a = notepad",
        kCv + "\\Explorer\\RunMRU | #3 b = regedit", kCv + "\\Explorer\\RunMRU | d = old [not in MRUList]"}},
      {"traces.recent-docs",
       true,
       {kCv + "\\Explorer\\RecentDocs | #1 b = 写真.jpg", kCv + "\\Explorer\\RecentDocs | #2 a = report.doc"}},
      {"traces.recent-docs-by-type",
       true,
       {kCv + "\\Explorer\\RecentDocs\\.txt | #1 1 = b.txt", kCv + "\\Explorer\\RecentDocs\\.txt | #2 0 = a.txt"}},
      {"traces.find-mru", true, {kCv + "\\Explorer\\Doc Find Spec MRU | #1 a = *.doc"}},
      {"traces.find-computer-mru", true, {kCv + "\\Explorer\\FindComputerMRU | #1 a = SERVER"}},
      {"traces.stream-mru",
       true,
       {kCv + "\\Explorer\\StreamMRU | #1 0 = My Computer\\C:\\WINDOWS [item date 2015-05-22 17:45:02 local time]"}},
      {"traces.user-assist",
       true,
       {kCv + "\\Explorer\\UserAssist\\{75048700-EF1F-11D0-9888-006097DEACF9}\\Count | HRZR_PGYFRFFVBA = "
              "UEME_CTLSESSION; "
              "session 243577743, counter 2",
        kCv + "\\Explorer\\UserAssist\\{75048700-EF1F-11D0-9888-006097DEACF9}\\Count | "
              "HRZR_EHACNGU:P:\\JVAQBJF\\ehaqyy32.rkr "
              "= UEME_RUNPATH:C:\\WINDOWS\\rundll32.exe; count 16; last run 2015-05-24 22:44:32 UTC",
        kCv + "\\Explorer\\UserAssist\\{75048700-EF1F-11D0-9888-006097DEACF9}\\Count | HRZR_EHACVQY:%pfvqy2%\\Tnzrf = "
              "UEME_RUNPIDL:%csidl2%\\Games; count 2; no time of the last run (FILETIME 0)",
        kCv + "\\Explorer\\UserAssist\\{75048700-EF1F-11D0-9888-006097DEACF9}\\Count | HRZR_bqq = UEME_odd [not "
              "decoded: 8 "
              "or 16 bytes expected, 5 found]"}},
      {"traces.mount-points",
       true,
       {kCv + "\\Explorer\\MountPoints\\A | A", kCv + "\\Explorer\\MountPoints\\A | BaseClass = Drive"}},
      {"traces.mail-identities",
       true,
       {"Identities\\{5BF89071-1772-4861-B17B-50F47CC6DBDD} | Username = Main Identity",
        "Identities\\{5BF89071-1772-4861-B17B-50F47CC6DBDD} | User ID = {5BF89071-1772-4861-B17B-50F47CC6DBDD}"}},
      {"traces.applet-recent-files",
       true,
       {kCv + "\\Applets\\Paint\\Recent File List | #1 File1 = C:\\a.bmp",
        kCv + "\\Applets\\Wordpad\\Recent File List | #1 File1 = C:\\b.doc",
        kCv + "\\Applets\\Wordpad\\Recent File List | #2 File2 = C:\\c.doc"}},
      {"traces.app-recent-files", true, {"Software\\Acme\\Editor\\Recent File List | #1 File1 = C:\\x.txt"}},
      {"traces.shell-folders", true, {kCv + "\\Explorer\\Shell Folders | Desktop = C:\\WINDOWS\\Desktop"}},
      {"traces.user-shell-folders", true, {kCv + "\\Explorer\\User Shell Folders | Personal = C:\\My Documents"}},
      {"traces.desktop",
       true,
       {"Control Panel\\Desktop | Wallpaper = C:\\WINDOWS\\Clouds.bmp",
        "Control Panel\\Desktop | ScreenSaveActive = 1"}},
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
  for (const std::string& under :
       row->user ? std::vector<std::string>{"", ".DEFAULT\\"} : std::vector<std::string>{""}) {
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
                           for (const char c : param.param)
                             name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
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
  // The user's UTC times are shown in the machine's zone too, which only the system.dat names.
  const std::vector<std::string> runs = LinesOf(result, "traces.user-assist");
  ASSERT_GE(runs.size(), 2u);
  EXPECT_NE(runs[1].find("; last run 2015-05-24 22:44:32 UTC (2015-05-25 07:44:32 Tokyo Standard Time)"),
            std::string::npos)
      << runs[1];
  // The zone is said once, under the hives.
  const std::string text = facts::FactsText(sources, result);
  EXPECT_NE(
      text.find("  [2] USER.DAT: user hive\n  Times in the time zone of [1]: Tokyo Standard Time, UTC+09:00 (bias -540 "
                "minutes), no daylight saving time\n"),
      std::string::npos)
      << text;
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
  static const std::string
      recent = std::string("doc.txt\0doc.lnk\0", 16),
      wide = Utf16("wide.txt"), shortBias = "\x01\x02\x03", fixed = SystemTime(1998, 4, 0, 5, 2, 30),
      badRule = SystemTime(0, 4, 9, 1, 2, 0), twoHours = Le32(0xFFFFFF88), farBias = Le32(100000),
      mruCut = SystemTime(0, 3, 0, 1, 2, 0).substr(0, 15), empty, zeroFirst = std::string("\0x", 2),
      run = "cmd /c dir\\1", runNoSuffix = "cmd",
      tziCut =
          (Le32(0) + Le32(0) + Le32(0) + SystemTime(0, 10, 0, 5, 3, 0) + SystemTime(0, 3, 0, 5, 2, 0)).substr(0, 43),
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
      {"bias beyond a day", [&] { return facts::Bias(b(farBias), true); }, "100000 minutes",
       "more than a day from UTC"},
      {"rule on a fixed date", [&] { return facts::TransitionDate(b(fixed)); }, "1998-04-05 02:30", ""},
      {"rule with day of week 9", [&] { return facts::TransitionDate(b(badRule)); }, "",
       "day of week or week of month out of range"},
      {"rule of 15 bytes", [&] { return facts::TransitionDate(b(mruCut)); }, "", "16 bytes expected, 15 found"},
      {"run entry", [&] { return facts::RunCommand(b(run), CodePage::Cp932); }, "cmd /c dir", ""},
      {"run entry without \\1", [&] { return facts::RunCommand(b(runNoSuffix), CodePage::Cp932); }, "cmd", ""},
      {"TZI of 43 bytes", [&] { return facts::TimeZoneTzi(b(tziCut)); }, "", "44 bytes expected, 43 found"},
      {"TZI with day of week 8", [&] { return facts::TimeZoneTzi(b(tziBadRule)); }, "",
       "DaylightDate: day of week or week of month out of range"},
      {"TZI beyond a day", [&] { return facts::TimeZoneTzi(b(tziFarBias)); }, "",
       "Bias 100000 minutes: more than a day from UTC"},
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

// Every time encoding with its edges: "never", a month of 0, a day of the week that the date
// does not fall on, a yearly rule where a date was expected.
struct TimeCase {
  std::string name;
  std::function<facts::TimeReading()> decode;
  std::string text;
  std::string problem;
  std::optional<std::int64_t> seconds;  // the time read (local or UTC as the encoding says)
};

TEST(FactsTimes, EveryEncodingAndItsEdges) {
  const auto b = [](const std::string& s) { return Bytes(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()); };
  const std::string lastRun = Le64(0x01D0967333BD6500ULL), zero = Le64(0), seven(7, '\1');
  const std::string firstInstall("\xa1\x8d\xb6\x46", 4), monthZero("\xa1\x8d\x16\x46", 4),
      february30("\xa1\x8d\x5e\x46", 4), badHour("\x00\xc0\xb6\x46", 4);
  const std::string friday = SystemTime(2001, 6, 5, 15, 13, 45), mondaySaid = SystemTime(2001, 6, 1, 15, 13, 45),
                    yearly = SystemTime(0, 10, 0, 5, 3, 0), thirteenth = SystemTime(2001, 13, 0, 1, 0, 0);
  const std::string unix = Le32(992612730), unixZero = Le32(0);
  const std::vector<TimeCase> cases{
      {"FILETIME", [&] { return facts::FileTime(b(lastRun)); }, "2015-05-24 22:44:32 UTC", "", 1432507472},
      {"FILETIME 0 is never", [&] { return facts::FileTime(b(zero)); }, "0 (never)", "", std::nullopt},
      {"FILETIME of 7 bytes", [&] { return facts::FileTime(b(seven)); }, "", "8 bytes expected, 7 found", std::nullopt},
      {"DOS date and time", [&] { return facts::DosDateTime(b(firstInstall)); }, "2015-05-22 17:45:02 (local time)", "",
       1432316702},
      {"DOS date with month 0", [&] { return facts::DosDateTime(b(monthZero)); }, "",
       "DOS date and time: month 0 is no month", std::nullopt},
      {"DOS date February 30", [&] { return facts::DosDateTime(b(february30)); }, "",
       "DOS date and time: day 30 is not in 2015-2", std::nullopt},
      {"DOS time hour 24", [&] { return facts::DosDateTime(b(badHour)); }, "",
       "DOS date and time: time 24:0:0 out of range", std::nullopt},
      {"SYSTEMTIME with its day of the week", [&] { return facts::SystemTime(b(friday)); },
       "2001-06-15 13:45:00 (Friday, local time)", "", 992612700},
      {"SYSTEMTIME whose day of the week is wrong", [&] { return facts::SystemTime(b(mondaySaid)); },
       "2001-06-15 13:45:00 (Monday, local time)", "the date is a Friday, the day of the week says Monday", 992612700},
      {"SYSTEMTIME of year 0 is a rule", [&] { return facts::SystemTime(b(yearly)); }, "",
       "year 0: a yearly rule, not a time", std::nullopt},
      {"SYSTEMTIME month 13", [&] { return facts::SystemTime(b(thirteenth)); }, "", "SYSTEMTIME: a field out of range",
       std::nullopt},
      {"Unix time", [&] { return facts::UnixTime(b(unix)); }, "2001-06-15 13:45:30 UTC", "", 992612730},
      {"Unix time 0 is never", [&] { return facts::UnixTime(b(unixZero)); }, "0 (never)", "", std::nullopt},
      {"text date", [] { return facts::TextDate("20150522"); }, "2015-05-22", "", 1432252800},
      {"text date of month 13", [] { return facts::TextDate("20151301"); }, "20151301",
       "not a date of the form YYYYMMDD", std::nullopt},
      {"text date too short", [] { return facts::TextDate("2015052"); }, "2015052", "not a date of the form YYYYMMDD",
       std::nullopt},
  };
  for (const TimeCase& c : cases) {
    const facts::TimeReading r = c.decode();
    EXPECT_EQ(r.shown.text, c.text) << c.name;
    EXPECT_EQ(r.shown.problem, c.problem) << c.name;
    EXPECT_EQ(r.time ? std::optional<std::int64_t>(r.time->seconds) : std::nullopt, c.seconds) << c.name;
  }
  EXPECT_EQ(facts::FormatTime(-11644473600LL), "1601-01-01 00:00:00");
  EXPECT_EQ(facts::FormatTime(951782400), "2000-02-29 00:00:00");
}

TEST(FactsTimes, Rot13TurnsLettersOnly) {
  EXPECT_EQ(facts::Rot13("HRZR_EHACNGU:P:\\JVAQBJF\\ehaqyy32.rkr"), "UEME_RUNPATH:C:\\WINDOWS\\rundll32.exe");
  EXPECT_EQ(facts::Rot13("0k1,1sn !%~{} 9@[`"), "0x1,1fa !%~{} 9@[`");
  EXPECT_EQ(facts::Rot13("\x8e\xca\x90\x5e"), "\x8e\xca\x90\x5e");  // code page bytes and their trail bytes stay
  EXPECT_EQ(facts::Rot13(facts::Rot13("Az Nm zA")), "Az Nm zA");
}

TEST(FactsTimes, ShellItemListsThatEndEarlyOrRunOver) {
  const auto b = [](const std::string& s) { return Bytes(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()); };
  const std::string full = StreamMruEntry();
  const facts::ShellItemPath ok = facts::ShellItems(b(full), CodePage::Cp932);
  EXPECT_EQ(ok.shown.text, "My Computer\\C:\\WINDOWS");
  ASSERT_EQ(ok.times.size(), 1u);
  EXPECT_EQ(ok.times[0].seconds, 1432316702);
  const std::string unterminated = full.substr(0, full.size() - 2);
  EXPECT_EQ(facts::ShellItems(b(unterminated), CodePage::Cp932).shown.problem,
            "the list ends without its terminating size of 0");
  const std::string overrun = std::string("\xff\x00\x31", 3) + std::string(10, 'x');
  EXPECT_EQ(facts::ShellItems(b(overrun), CodePage::Cp932).shown.problem,
            "item at byte 0 of size 255 runs past the data");
  const std::string unknown = std::string("\x05\x00\x71\x00\x00", 5) + std::string(2, '\0');
  EXPECT_EQ(facts::ShellItems(b(unknown), CodePage::Cp932).shown.text, "<item 0x71>");
}

// The clock of a zone: no daylight time (Tokyo), northern rules (US Eastern, daylight from the
// first Sunday of April to the last of October as in 2000) and southern ones (Sydney, daylight
// across the turn of the year).
TEST(FactsTimes, ZonesTurnUtcIntoLocalTimeAndBack) {
  const auto zone = [](std::int32_t bias, const std::string& standard, const std::string& daylight) {
    facts::HiveZone z;
    z.standardName = "S";
    z.daylightName = "D";
    z.bias = bias;
    z.daylightBias = -60;
    z.standardStart.assign(standard.begin(), standard.end());
    z.daylightStart.assign(daylight.begin(), daylight.end());
    return z;
  };
  const facts::HiveZone tokyo = zone(-540, SystemTime(0, 0, 0, 0, 0, 0), SystemTime(0, 0, 0, 0, 0, 0));
  const facts::HiveZone eastern = zone(300, SystemTime(0, 10, 0, 5, 2, 0), SystemTime(0, 4, 0, 1, 2, 0));
  const facts::HiveZone sydney = zone(-600, SystemTime(0, 3, 0, 5, 3, 0), SystemTime(0, 10, 0, 5, 2, 0));
  const std::int64_t july = 962452800, january = 947678400;  // 2000-07-01 and 2000-01-12, 12:00 UTC
  struct Case {
    std::string name;
    const facts::HiveZone* z;
    std::int64_t utc;
    std::string local;
    std::string zoneName;
  };
  const std::vector<Case> cases{
      {"Tokyo in July", &tokyo, july, "2000-07-01 21:00:00", "S"},
      {"Eastern in July", &eastern, july, "2000-07-01 08:00:00", "D"},
      {"Eastern in January", &eastern, january, "2000-01-12 07:00:00", "S"},
      {"Sydney in January", &sydney, january, "2000-01-12 23:00:00", "D"},
      {"Sydney in July", &sydney, july, "2000-07-01 22:00:00", "S"},
      // 2000-04-02 07:00 UTC is 03:00 daylight time, the first minute after the change.
      {"Eastern at the change", &eastern, 954658800, "2000-04-02 03:00:00", "D"},
      {"Eastern a second before", &eastern, 954658799, "2000-04-02 01:59:59", "S"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(facts::FormatTime(c.z->ToLocal(c.utc)), c.local) << c.name;
    EXPECT_EQ(c.z->NameAt(c.utc), c.zoneName) << c.name;
    EXPECT_EQ(c.z->ToUtc(c.z->ToLocal(c.utc)), c.utc) << c.name;
  }
  EXPECT_EQ(eastern.Describe(),
            "S, UTC-05:00 (bias 300 minutes), daylight time (-60 minutes) from the first Sunday of "
            "April at 02:00 to the last Sunday of October at 02:00");
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
       {tzi +
            " | StandardName = Romance Standard Time [the entry Time Zones\\Romance Standard Time by its name; its TZI "
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
        zones +
            "Romance | TZI = UTC+01:00 (bias -60 minutes); standard time (+0 minutes) from the last Sunday of October "
            "at "
            "03:00; daylight time (-60 minutes) from the last Sunday of March at 02:00 <- a zone whose TZI agrees with "
            "the active rules",
        zones + "W. Europe | Display = W. Europe display <- a zone whose TZI agrees with the active rules",
        zones +
            "W. Europe | TZI = UTC+01:00 (bias -60 minutes); standard time (+0 minutes) from the last Sunday of "
            "October "
            "at 03:00; daylight time (-60 minutes) from the last Sunday of March at 02:00 <- a zone whose TZI agrees "
            "with the active rules"}},
      {"no Time Zones table",
       [&](TreeBuilder& t) { active(t, "Tokyo Standard Time", 0xFFFFFDE4); },
       "system.time-zone-entry",
       {tzi + " | StandardName = Tokyo Standard Time [no Time Zones table in this hive]"}},
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
       "hardware.adapter-links",
       {adapter + " | DeviceDesc = EtherExpress [Driver = Net names no key under Services\\Class]"}},
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
  EXPECT_NE(
      json.find("\"value\": \"TZI\", \"type\": 3, \"typeName\": \"REG_BINARY\", \"data\": \"e4fdffff00000000c4ffffff"),
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
  // Recovery ties the freed record to its node by elimination: the key and its path are placed.
  const std::string text = facts::FactsText(sources, result);
  EXPECT_NE(text.find("RunMRU  (recovered, confidence high)\n      1. a = secret.exe\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("the path was guessed"), std::string::npos) << text;
}

TEST(FactsRecovered, DeletedRunKeyIsAmongTheStartUpPrograms) {
  // A system.dat whose Run key was deleted, two more keys deleted in the same block after it:
  // recovery places all three on the free lists' order, and the start-up programs list the
  // deleted Run values, marked recovered with their confidence, beside the live RunOnce.
  TreeBuilder t;
  for (const char* top : {"Config", "Enum", "hardware", "Network", "Security", "System"}) t.Key(top);
  t.Key(kCv + "\\RunOnce", {Text("Setup", "C:\\SETUP.EXE")});
  const int run = t.Key(kCv + "\\Run", {Text("Tool", "C:\\TOOLS\\AGENT.EXE /quiet"), Text("SysTray", "SysTray.Exe")});
  const int other = t.Key(kCv + "\\Other", {Dword("N", 1)});
  const int third = t.Key("Software\\Vendor\\Product", {Text("Path", "C:\\VENDOR")});
  BuiltHive built = t.builder.Build();
  DeleteKey(built, run);
  DeleteKey(built, third);
  DeleteKey(built, other);
  const Loaded loaded(built.bytes);
  const std::vector<facts::HiveSource> sources{loaded.Source("SYSTEM.DAT")};
  const facts::FactsResult result = facts::CollectFacts(sources);
  EXPECT_EQ(LinesOf(result, "programs.startup"),
            (std::vector<std::string>{kCv + "\\RunOnce | Setup = C:\\SETUP.EXE",
                                      kCv + "\\Run | Tool = C:\\TOOLS\\AGENT.EXE /quiet {recovered high}",
                                      kCv + "\\Run | SysTray = SysTray.Exe {recovered high}"}));
}

TEST(FactsRecovered, OlderCopiesOfALiveKeyAddOnlyTheirOlderValues) {
  // Two freed older records of the live Run key: one identical (Windows wrote the key anew
  // elsewhere), one holding an earlier program. The identical one adds nothing; the other shows
  // its older value, marked recovered and as an older copy.
  TreeBuilder t;
  for (const char* top : {"Config", "Enum", "hardware", "Network", "Security", "System"}) t.Key(top);
  const std::vector<Value> now{Text("Tool", "C:\\TOOL.EXE")};
  const std::vector<Value> before{Text("Tool", "C:\\OLD\\TOOL.EXE")};
  t.Key(kCv + "\\Run", now);
  const auto size = [](const std::vector<Value>& values) {
    std::int32_t n = 20 + 3;
    for (const Value& v : values) n += 12 + static_cast<std::int32_t>(v.name.size() + v.data.size());
    return n;
  };
  t.builder.AddFreeRecord(0, size(now));
  t.builder.AddFreeRecord(0, size(before));
  BuiltHive built = t.builder.Build();
  std::vector<std::int64_t> written;
  for (const std::vector<Value>* values : {&now, &before})
    for (const auto& [at, areaSize] : FreeAreas(built, 0))
      if (areaSize == size(*values) && std::find(written.begin(), written.end(), at) == written.end()) {
        ReuseSpace(built, at, "Run", *values, static_cast<std::uint16_t>(50 + written.size()));
        written.push_back(at);
        break;
      }
  ASSERT_EQ(written.size(), 2u);
  for (const std::int64_t at : written) FreeRecord(built, at);
  const Loaded loaded(built.bytes);
  const std::vector<facts::HiveSource> sources{loaded.Source("SYSTEM.DAT")};
  const facts::FactsResult result = facts::CollectFacts(sources);
  EXPECT_EQ(LinesOf(result, "programs.startup"),
            (std::vector<std::string>{kCv + "\\Run | Tool = C:\\TOOL.EXE",
                                      kCv + "\\Run | Tool = C:\\OLD\\TOOL.EXE {recovered medium}"}));
  EXPECT_NE(facts::FactsText(sources, result).find("! an older copy of the live key's record: its earlier values"),
            std::string::npos);
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

TEST(FactsDamaged, AnUninstallEntryWhoseValuesAreCutIsStillListedAsSuch) {
  TreeBuilder t;
  t.Key("Enum\\Root");
  const int entry = t.Key(kCv + "\\Uninstall\\Broken", {Text("DisplayName", "Broken Tool")});
  BuiltHive built = t.builder.Build();
  built.PutU16(built.keyRecord[static_cast<std::size_t>(entry)] + 14, 3);  // DatN claims three values
  const Loaded loaded(built.bytes);
  const std::vector<facts::HiveSource> sources{loaded.Source("SYSTEM.DAT")};
  EXPECT_EQ(LinesOf(facts::CollectFacts(sources), "programs.installed"),
            (std::vector<std::string>{kCv + "\\Uninstall\\Broken | Broken [the key's values could not be read]",
                                      kCv + "\\Uninstall\\Broken | DisplayName = Broken Tool"}));
}

TEST(FactsCli, JsonAndCsvOfTheUserFixture) {
  TempDir dir;
  const std::string file = dir.Write("USER.DAT", UserFixture());
  std::ostringstream out, err;
  const std::string json = dir.Path("facts.json").string(), csv = dir.Path("facts.csv").string();
  ASSERT_EQ(cli::RunCli({"facts", "--json", json, "--csv", csv, file}, out, err), 0) << err.str();
  EXPECT_NE(
      out.str().find("== The user's traces ==\n\nTyped URLs\n  [1] Software\\Microsoft\\Internet Explorer\\TypedURLs\n"
                     "      1. url1 = http://a.example/\n"),
      std::string::npos)
      << out.str();
  const std::string j = ReadFileBytes(json);
  EXPECT_NE(j.find("\"fact\": \"traces.recent-docs\", \"theme\": \"traces\""), std::string::npos);
  EXPECT_NE(j.find("\"data\": \"7265706f72742e646f63007265706f72742e6c6e6b001400\""), std::string::npos) << j;
  const std::string c = ReadFileBytes(csv);
  EXPECT_EQ(c.substr(0, c.find("\r\n")),
            "theme,fact,label,file,hive "
            "kind,key,value,position,type,text,note,origin,findings,data,via,sha256,md5,copy,copy date");
  EXPECT_NE(c.find("\"traces.run-mru\""), std::string::npos);
}

// The Time Zones table is a reference: in the text and CSV only with --all, in JSON always.
TEST(FactsCli, TheTimeZoneTableOnlyWithAllOrInJson) {
  TempDir dir;
  const std::string file = dir.Write("SYSTEM.DAT", SystemFixture());
  const auto run = [&](std::vector<std::string> args) {
    std::ostringstream out, err;
    args.insert(args.begin(), "facts");
    args.push_back(file);
    EXPECT_EQ(cli::RunCli(args, out, err), 0) << err.str();
    return out.str();
  };
  const std::string table = "Time zones the system knows";
  EXPECT_EQ(run({}).find(table), std::string::npos);
  EXPECT_NE(run({"--all"}).find(
                table + "\n  [1] Software\\Microsoft\\Windows\\CurrentVersion\\Time Zones\\Eastern Standard Time\n"),
            std::string::npos);
  EXPECT_EQ(run({"--csv", "-"}).find("system.time-zone-table"), std::string::npos);
  EXPECT_NE(run({"--csv", "-", "--all"}).find("system.time-zone-table"), std::string::npos);
  EXPECT_NE(run({"--json", "-"}).find("\"fact\": \"system.time-zone-table\""), std::string::npos);
  // The zone's own entry, reached by its link, stays in every report.
  EXPECT_NE(run({}).find("Time zone: its entry in the Time Zones table"), std::string::npos);
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
