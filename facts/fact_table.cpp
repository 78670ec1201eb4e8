// The places examiners read first in a Windows 95, 98 or Me hive. Paths are the ones these
// systems use (system.dat holds HKEY_LOCAL_MACHINE, user.dat HKEY_CURRENT_USER); where the three
// differ, each form has its row or the pattern covers them.
#include <array>

#include "facts/fact_definition.h"

namespace quarvex::facts {

namespace {

using enum Theme;
using enum Pick;
using enum Show;
using enum Link;
constexpr HiveKind kUser = HiveKind::User, kSystem = HiveKind::System, kEither = HiveKind::Either;

// clang-format off
constexpr std::array kTable{
    // The system.
    FactDefinition{"system.version", System, kSystem, "Windows version, product and owner",
        "Software\\Microsoft\\Windows\\CurrentVersion", Named,
        "ProductName|Version|VersionNumber|SubVersionNumber|ProductId|ProductKey|RegisteredOwner|RegisteredOrganization|SystemRoot|ProgramFilesDir"},
    FactDefinition{"system.computer-name", System, kSystem, "Computer name",
        "System\\CurrentControlSet\\Control\\ComputerName\\ComputerName", Named, "ComputerName"},
    FactDefinition{"system.network-identity", System, kSystem, "Network identity: name, workgroup, description",
        "System\\CurrentControlSet\\Services\\VxD\\VNETSUP", Named, "ComputerName|Workgroup|Comment"},
    FactDefinition{"system.time-zone", System, kSystem, "Time zone",
        "System\\CurrentControlSet\\Control\\TimeZoneInformation", Named, "StandardName|DaylightName"},
    FactDefinition{"system.time-zone-bias", System, kSystem, "Time zone: offset from UTC",
        "System\\CurrentControlSet\\Control\\TimeZoneInformation", Named, "Bias", Bias},
    // ActiveTimeBias is Bias plus the standard or daylight adjustment in force when Windows last
    // wrote it, at shut-down as a rule: which of the two it was tells the season of that moment.
    FactDefinition{"system.time-zone-active", System, kSystem, "Time zone: offset in force at the last shut-down",
        "System\\CurrentControlSet\\Control\\TimeZoneInformation", Named, "ActiveTimeBias", ActiveBias},
    FactDefinition{"system.time-zone-delta", System, kSystem, "Time zone: standard and daylight adjustment",
        "System\\CurrentControlSet\\Control\\TimeZoneInformation", Named, "StandardBias|DaylightBias", BiasDelta},
    FactDefinition{"system.time-zone-rules", System, kSystem, "Time zone: when standard and daylight time begin",
        "System\\CurrentControlSet\\Control\\TimeZoneInformation", Named, "StandardStart|DaylightStart", TransitionDate},
    FactDefinition{"system.time-zone-entry", System, kSystem, "Time zone: its entry in the Time Zones table",
        "System\\CurrentControlSet\\Control\\TimeZoneInformation", Named, "StandardName", Text, {}, TimeZoneEntry},
    // Every zone the time zone dialog offers; the key is named after the zone's standard name.
    FactDefinition{"system.time-zone-table", System, kSystem, "Time zones the system knows",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Time Zones\\*", Named, "Display|Std|Dlt|TZI", TimeZoneRules,
        {}, None, {}, true},
    // Setup writes the moment Windows was first installed as a DOS date and time (local time).
    FactDefinition{"system.first-install", System, kSystem, "First installed",
        "Software\\Microsoft\\Windows\\CurrentVersion", Named, "FirstInstallDateTime", DosDateTime, {}, None,
        "Windows first installed"},
    FactDefinition{"system.setup", System, kSystem, "Setup: source and command line",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Setup", Named, "SourcePath|CommandLine|BootDir|WinbootDir|OldWinDir"},
    // The folders Setup was run from, newest first (the user's tree keeps them at its top).
    FactDefinition{"system.install-locations", System, kUser, "Setup: folders installed from (most recent first)",
        "InstallLocationsMRU", Mru, ""},
    FactDefinition{"system.internet-explorer", System, kSystem, "Internet Explorer version",
        "Software\\Microsoft\\Internet Explorer", Named, "Version|Build|IVer"},
    FactDefinition{"system.code-page", System, kSystem, "Code pages",
        "System\\CurrentControlSet\\Control\\Nls\\Codepage", Named, "ACP|OEMCP|MACCP"},
    FactDefinition{"system.locale", System, kSystem, "Locale",
        "System\\CurrentControlSet\\Control\\Nls\\Locale", Named, ""},
    FactDefinition{"system.last-logon", System, kSystem, "Last logged-on user",
        "Network\\Logon", Named, "username|PrimaryProvider|LMLogon"},
    FactDefinition{"system.profiles", System, kSystem, "User profiles",
        "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileList\\*", Named, "ProfileImagePath|CentralProfile"},
    FactDefinition{"system.logon-user", System, kEither, "Logon user name",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer", Named, "Logon User Name"},

    // Programs.
    // Every entry of the uninstall list, also one with none of these values.
    FactDefinition{"programs.installed", Programs, kSystem, "Installed software",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\*", KeyAndNamed,
        "DisplayName|DisplayVersion|Publisher|InstallLocation|InstallDate|UninstallString|QuietDisplayName|QuietUninstallString",
        UninstallEntry, {}, None, "program installed"},
    // The components of Windows that Setup offers (Accessories, Communications ...): Installed
    // is "1" for those on the machine.
    FactDefinition{"programs.optional-components", Programs, kSystem, "Windows components",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Setup\\OptionalComponents\\*", KeyAndNamed, "Installed|INF|Section"},
    FactDefinition{"programs.app-paths", Programs, kSystem, "Registered program paths",
        "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\*", Named, "|Path"},
    // Run, RunOnce, RunOnceEx, RunServices, RunServicesOnce: boot (system.dat) and logon (user.dat).
    FactDefinition{"programs.startup", Programs, kEither, "Started at boot and logon",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Run*", All, ""},
    FactDefinition{"programs.shell-extensions", Programs, kEither, "Approved shell extensions",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved", All, ""},
    FactDefinition{"programs.shell-service-objects", Programs, kEither, "Shell service objects loaded with Explorer",
        "Software\\Microsoft\\Windows\\CurrentVersion\\ShellServiceObjectDelayLoad", All, ""},
    FactDefinition{"programs.shell-execute-hooks", Programs, kEither, "Shell execute hooks",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellExecuteHooks", All, ""},
    FactDefinition{"programs.browser-helpers", Programs, kSystem, "Browser helper objects",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\*", KeyName, ""},
    FactDefinition{"programs.vxd-services", Programs, kSystem, "Static VxD services",
        "System\\CurrentControlSet\\Services\\VxD\\*", Named, "StaticVxD"},

    // Hardware: devices under Enum\<bus>\<device>\<instance>, by their Class value.
    FactDefinition{"hardware.disks", Hardware, kSystem, "Disk drives",
        "Enum\\*\\*\\*", Named, "DeviceDesc|Mfg|HardwareID|Driver", Text, "Class=DiskDrive"},
    FactDefinition{"hardware.cdroms", Hardware, kSystem, "CD-ROM drives",
        "Enum\\*\\*\\*", Named, "DeviceDesc|Mfg|HardwareID|Driver", Text, "Class=CDROM"},
    FactDefinition{"hardware.usb", Hardware, kSystem, "USB devices",
        "Enum\\USB\\*\\*", Named, "DeviceDesc|Mfg|Class|HardwareID|Driver"},
    FactDefinition{"hardware.network-adapters", Hardware, kSystem, "Network adapters",
        "Enum\\*\\*\\*", Named, "DeviceDesc|Mfg|HardwareID|Driver", Text, "Class=Net"},
    // Other devices by class, each with the driver its Driver value names.
    FactDefinition{"hardware.display", Hardware, kSystem, "Display adapters",
        "Enum\\*\\*\\*", Named, "DeviceDesc|Mfg|HardwareID|Driver", Text, "Class=Display", DeviceDriver},
    FactDefinition{"hardware.monitors", Hardware, kSystem, "Monitors",
        "Enum\\*\\*\\*", Named, "DeviceDesc|Mfg|HardwareID|Driver", Text, "Class=Monitor", DeviceDriver},
    FactDefinition{"hardware.sound", Hardware, kSystem, "Sound, video and game controllers",
        "Enum\\*\\*\\*", Named, "DeviceDesc|Mfg|HardwareID|Driver", Text, "Class=MEDIA", DeviceDriver},
    FactDefinition{"hardware.modems", Hardware, kSystem, "Modems",
        "Enum\\*\\*\\*", Named, "DeviceDesc|Mfg|HardwareID|Driver", Text, "Class=Modem", DeviceDriver},
    FactDefinition{"hardware.printers", Hardware, kSystem, "Printers",
        "Enum\\*\\*\\*", Named, "DeviceDesc|Mfg|HardwareID|Driver", Text, "Class=Printer", DeviceDriver},
    FactDefinition{"hardware.ports", Hardware, kSystem, "Ports (COM and LPT)",
        "Enum\\*\\*\\*", Named, "DeviceDesc|Mfg|PortName|Driver", Text, "Class=Ports", DeviceDriver},
    FactDefinition{"hardware.disk-controllers", Hardware, kSystem, "Hard disk controllers",
        "Enum\\*\\*\\*", Named, "DeviceDesc|Mfg|HardwareID|Driver", Text, "Class=hdc", DeviceDriver},
    FactDefinition{"hardware.keyboards", Hardware, kSystem, "Keyboards",
        "Enum\\*\\*\\*", Named, "DeviceDesc|Mfg|HardwareID|Driver", Text, "Class=Keyboard", DeviceDriver},
    FactDefinition{"hardware.mice", Hardware, kSystem, "Mice",
        "Enum\\*\\*\\*", Named, "DeviceDesc|Mfg|HardwareID|Driver", Text, "Class=Mouse", DeviceDriver},
    FactDefinition{"hardware.network-drivers", Hardware, kSystem, "Network adapter drivers",
        "System\\CurrentControlSet\\Services\\Class\\Net\\*", Named, "DriverDesc|DriverDate"},
    FactDefinition{"hardware.adapter-links", Hardware, kSystem, "Network adapters with their drivers and bound protocols",
        "Enum\\*\\*\\*", Named, "DeviceDesc", Text, "Class=Net", NetworkAdapter},

    // Network.
    FactDefinition{"network.protocols", Network, kSystem, "Network protocols",
        "System\\CurrentControlSet\\Services\\Class\\NetTrans\\*", Named, "DriverDesc", Text},
    FactDefinition{"network.addresses", Network, kSystem, "Protocol addresses (0.0.0.0: by DHCP)",
        "System\\CurrentControlSet\\Services\\Class\\NetTrans\\*", Named, "IPAddress|IPMask|DefaultGateway", IpAddress},
    FactDefinition{"network.tcpip", Network, kSystem, "TCP/IP host and name servers",
        "System\\CurrentControlSet\\Services\\VxD\\MSTCP", Named, "HostName|Domain|NameServer|SearchList|EnableDNS"},
    FactDefinition{"network.shares", Network, kSystem, "Shared folders and printers",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Network\\LanMan\\*", Named, "Path|Remark|Type|Flags"},
    FactDefinition{"network.mapped-drives", Network, kUser, "Mapped network drives",
        "Network\\Persistent\\*", Named, "RemotePath|UserName|ProviderName"},
    FactDefinition{"network.dial-up-default", Network, kUser, "Dial-up: default connection",
        "RemoteAccess", Named, "Default|InternetProfile"},
    FactDefinition{"network.dial-up-connections", Network, kUser, "Dial-up connections",
        "RemoteAccess\\Addresses", All, ""},
    FactDefinition{"network.dial-up-profiles", Network, kUser, "Dial-up connection profiles",
        "RemoteAccess\\Profile\\*", KeyName, ""},

    // The user's traces.
    FactDefinition{"traces.typed-urls", Traces, kUser, "Typed URLs",
        "Software\\Microsoft\\Internet Explorer\\TypedURLs", Numbered, "url"},
    FactDefinition{"traces.start-page", Traces, kUser, "Browser start and search page",
        "Software\\Microsoft\\Internet Explorer\\Main", Named, "Start Page|Search Page|Local Page|Window Title"},
    FactDefinition{"traces.run-mru", Traces, kUser, "Run dialog history (most recent first)",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU", Mru, "", RunCommand},
    FactDefinition{"traces.recent-docs", Traces, kUser, "Recent documents (most recent first)",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs", Mru, "", RecentDoc},
    FactDefinition{"traces.recent-docs-by-type", Traces, kUser, "Recent documents by type (most recent first)",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs\\*", Mru, "", RecentDoc},
    FactDefinition{"traces.find-mru", Traces, kUser, "Find dialog: files searched for (most recent first)",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Doc Find Spec MRU", Mru, ""},
    FactDefinition{"traces.find-computer-mru", Traces, kUser, "Find dialog: computers searched for (most recent first)",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FindComputerMRU", Mru, ""},
    // The folders Explorer windows were opened on, as shell item lists.
    FactDefinition{"traces.stream-mru", Traces, kUser, "Folders opened in Explorer (most recent first)",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StreamMRU", Mru, "", ShellItems, {}, None,
        "date of a folder or file in a shell item"},
    // UserAssist: per program or shortcut started from the shell, a ROT13-coded name with a run
    // count and the time of the last run (Internet Explorer 5's desktop writes it on 98 and Me).
    FactDefinition{"traces.user-assist", Traces, kUser, "Programs started from the shell (UserAssist)",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist\\*\\Count", All, "", UserAssist, {}, None,
        "program last run"},
    // One key per drive letter Explorer has seen (A, C, D ...).
    FactDefinition{"traces.mount-points", Traces, kUser, "Drives Explorer has seen",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MountPoints\\*", KeyAndNamed, "BaseClass", Text,
        "BaseClass=Drive"},
    FactDefinition{"traces.mail-identities", Traces, kUser, "Outlook Express identities",
        "Identities\\*", Named, "Username|User ID"},
    // Paint (Applets\Paint) and WordPad (Applets\Wordpad) keep File1, File2 ... in order.
    FactDefinition{"traces.applet-recent-files", Traces, kUser, "Recent files of Paint and WordPad",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\*\\Recent File List", Numbered, "File"},
    // Programs written with the common application framework: Software\<Maker>\<Program>.
    FactDefinition{"traces.app-recent-files", Traces, kUser, "Recent files of other programs",
        "Software\\*\\*\\Recent File List", Numbered, "File"},
    FactDefinition{"traces.shell-folders", Traces, kUser, "Shell folders",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", All, ""},
    FactDefinition{"traces.user-shell-folders", Traces, kUser, "User shell folders",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", All, ""},
    FactDefinition{"traces.desktop", Traces, kUser, "Wallpaper and screen saver",
        "Control Panel\\Desktop", Named,
        "Wallpaper|TileWallpaper|WallpaperStyle|ScreenSaveActive|ScreenSaveTimeOut|ScreenSaveUsePassword"},
};
// clang-format on

}  // namespace

std::span<const FactDefinition> Definitions() { return kTable; }

std::string_view HiveKindName(HiveKind kind) {
  switch (kind) {
    case HiveKind::User:
      return "user";
    case HiveKind::System:
      return "system";
    case HiveKind::Either:
      break;
  }
  return "either";
}

std::string_view ThemeName(Theme theme) {
  switch (theme) {
    case Theme::System:
      return "system";
    case Theme::Programs:
      return "programs";
    case Theme::Hardware:
      return "hardware";
    case Theme::Network:
      return "network";
    case Theme::Traces:
      break;
  }
  return "traces";
}

std::string_view ThemeTitle(Theme theme) {
  switch (theme) {
    case Theme::System:
      return "The system";
    case Theme::Programs:
      return "Programs";
    case Theme::Hardware:
      return "Hardware";
    case Theme::Network:
      return "Network";
    case Theme::Traces:
      break;
  }
  return "The user's traces";
}

}  // namespace quarvex::facts
