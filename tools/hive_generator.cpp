#include "tools/hive_generator.h"

#include <map>
#include <random>
#include <vector>

#include "text/printf.h"
#include "text/text_encoding.h"

namespace quarvex::tools {

using namespace quarvex::text;
using namespace quarvex::testkit;

using testkit::Binary;
using testkit::Dword;
using testkit::HiveBuilder;
using testkit::Text;
using testkit::Value;

namespace {

// Shift-JIS text from UTF-8 source text.
std::string Sjis(const char* utf8) { return Utf8ToCodePage(utf8, CodePage::Cp932); }

class Generator {
 public:
  explicit Generator(const GeneratorOptions& options) : options_(options), random_(options.seed) {}

  testkit::BuiltHive Run() {
    if (options_.codePage) builder_.SetCodePage(*options_.codePage);
    root_ = builder_.AddKey(HiveBuilder::kRootParent, "");
    builder_.SetNoRecord(root_);
    if (options_.kind == HiveKind::User)
      UserSkeleton();
    else
      SystemSkeleton();
    if (options_.codePage) Words(*options_.codePage);
    Fill();
    LargeBinaries();
    // A key whose name was changed without its checksum: the analysis calls it a ghost.
    builder_.SetChecksum(ghost_, 0x1234);
    for (int i = 0; i < blockIndex_ + 1; ++i) {
      builder_.AddOrphanRecord(static_cast<std::uint16_t>(i), 254, "orphan");
      builder_.AddFreeRecord(static_cast<std::uint16_t>(i), 200 + Below(1200));
    }
    builder_.AddFreeKeyNode(28 * 3);
    builder_.ShuffleRecords(options_.seed);
    return builder_.Build();
  }

 private:
  int Below(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }

  // Adds a key in the current block, moving to the next block when this one is full.
  int Key(int parent, const std::string& name, std::vector<Value> values = {}) {
    std::size_t bytes = 20 + name.size();
    for (const Value& v : values) bytes += 12 + v.name.size() + v.data.size();
    if (recordsInBlock_ >= options_.recordsPerBlock ||
        bytesInBlock_ + bytes > static_cast<std::size_t>(options_.blockBytes)) {
      ++blockIndex_;
      recordsInBlock_ = 0;
      bytesInBlock_ = 0;
    }
    const int key = builder_.AddKey(parent, name, std::move(values));
    builder_.PlaceInBlock(key, static_cast<std::uint16_t>(blockIndex_));
    ++recordsInBlock_;
    bytesInBlock_ += bytes;
    ++count_;
    // Now and then a record keeps slack behind it, or a freed record follows it.
    if (Below(40) == 0) builder_.SetRecordSlack(key, 4 + Below(60));
    if (Below(25) == 0) {
      const int size = 16 + Below(400);
      builder_.AddFreeRecord(static_cast<std::uint16_t>(blockIndex_), size, key);
      bytesInBlock_ += static_cast<std::size_t>(size);
    }
    if (Below(700) == 0) builder_.AddFreeKeyNode(28 * (1 + Below(4)));
    return key;
  }

  int Path(int parent, std::initializer_list<const char*> names) {
    for (const char* n : names) parent = Key(parent, n);
    return parent;
  }

  void UserSkeleton() {
    const int events = Key(root_, "AppEvents");
    Key(Key(events, "EventLabels"), "Default", {Text("", Sjis("一般の警告音"))});
    const int panel = Key(root_, "Control Panel");
    Key(panel, "Desktop",
        {Text("Wallpaper", "(None)"), Text("ScreenSaveActive", "1"), Text("IconSpacing", "77"),
         Text("TileWallpaper", "0")});
    std::vector<Value> international{Text("sCountry", "Japan"), Text("iCountry", "81"),
                                     Text("sShortDate", "yyyy/MM/dd")};
    if (options_.codePage) international.push_back(Text("Locale", LocaleOf(*options_.codePage)));
    Key(panel, "International", std::move(international));
    Key(panel, Sjis("ｽｸﾘｰﾝ ｾｰﾊﾞｰ.ﾏｰﾌﾞﾙ"), {Dword("Speed", 10)});
    Key(Key(Key(root_, "keyboard layout"), "preload"), "1", {Text("", "00000411")});
    Path(root_, {"Network", "Persistent"});
    Key(root_, "RemoteAccess", {Binary("Profile", std::string("\x01\x00\x00\x00\x20\x00", 6))});
    const int software = Key(root_, "Software");
    const int microsoft = Key(software, "Microsoft");
    const int current = Path(microsoft, {"Windows", "CurrentVersion"});
    const int explorer = Key(current, "Explorer", {Binary("ShellState", std::string(20, '\x24'))});
    Key(explorer, "Shell Folders",
        {Text("Desktop", Sjis("C:\\WINDOWS\\デスクトップ")), Text("Programs", Sjis("C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ")),
         Text("Personal", "C:\\My Documents")});
    ghost_ = Key(current, "Run", {Text("TaskMonitor", "C:\\WINDOWS\\taskmon.exe")});
    Key(Key(microsoft, "Internet Explorer"), "Main", {Text("Start Page", "about:blank"), Dword("Anchor Underline", 1)});
    Key(software, Sjis("アクセサリ"), {Text("", Sjis("メモ帳"))});
    fillRoot_ = software;
  }

  void SystemSkeleton() {
    Path(root_, {"Config", "0001", "Display", "Settings"});
    const int enumKey = Key(root_, "Enum");
    const int pnp = Path(enumKey, {"Root", "*PNP0C01"});
    Key(pnp, "0000",
        {Text("SetupMachineType", "IBM PC/AT"), Text("ComputerName", "RETRO98"), Text("Class", "System"),
         Text("DeviceDesc", Sjis("システム ボード"))});
    Path(root_, {"hardware", "DESCRIPTION", "System"});
    Key(root_, "Security", {Binary("Provider", std::string(8, '\0'))});
    const int software = Key(root_, "Software");
    const int microsoft = Key(software, "Microsoft");
    Key(microsoft, "Internet Explorer", {Text("Version", "5.50.4134.0100"), Text("Build", "54134")});
    ghost_ = Key(Path(microsoft, {"Windows", "CurrentVersion"}), "Setup",
                 {Text("SourcePath", "D:\\WIN98\\"), Text("WinbootDir", "C:\\WINDOWS")});
    const int system = Key(root_, "System");
    const int control = Path(system, {"CurrentControlSet", "control"});
    Key(Key(control, "ComputerName"), "ComputerName", {Text("ComputerName", "RETRO98")});
    const int nls = Key(control, "Nls", {Text("", Sjis("日本語"))});
    if (options_.codePage)
      Key(nls, "Codepage", {Text("ACP", std::string(CodePageName(*options_.codePage))), Text("OEMCP", "850")});
    fillRoot_ = enumKey;
  }

  // A key named in the code page's script, with subkeys and values named and filled with its
  // words, so that each word is a key name, a value name and a text.
  void Words(CodePage cp) {
    const std::vector<std::string>& words = WordsOf(cp);
    const int top = Key(fillRoot_, "Words");
    for (std::size_t i = 0; i < words.size(); ++i) {
      const std::string word = Utf8ToCodePage(words[i], cp);
      const std::string next = Utf8ToCodePage(words[(i + 1) % words.size()], cp);
      Key(top, word, {Text(next, word)});
    }
  }

  // A locale whose ANSI code page is cp, as a user.dat's International "Locale" holds it.
  static std::string LocaleOf(CodePage cp) {
    switch (cp) {
      case CodePage::Cp874:
        return "0000041E";  // Thai
      case CodePage::Cp932:
        return "00000411";  // Japanese
      case CodePage::Cp936:
        return "00000804";  // Chinese (PRC)
      case CodePage::Cp949:
        return "00000412";  // Korean
      case CodePage::Cp950:
        return "00000404";  // Chinese (Taiwan)
      case CodePage::Cp1250:
        return "00000405";  // Czech
      case CodePage::Cp1251:
        return "00000419";  // Russian
      case CodePage::Cp1253:
        return "00000408";  // Greek
      case CodePage::Cp1254:
        return "0000041F";  // Turkish
      case CodePage::Cp1255:
        return "0000040D";  // Hebrew
      case CodePage::Cp1256:
        return "00000401";  // Arabic (Saudi Arabia)
      case CodePage::Cp1257:
        return "00000427";  // Lithuanian
      case CodePage::Cp1258:
        return "0000042A";  // Vietnamese
      default:
        return "00000409";  // English (United States)
    }
  }

  // Filler subtrees until the key count is reached: vendors' software settings for a
  // user.dat, device instances and class registrations for a system.dat.
  void Fill() {
    int group = 0;
    while (count_ < options_.keys) {
      const bool user = options_.kind == HiveKind::User;
      const int top = user ? Key(fillRoot_, Printf("Vendor%03d", group))
                           : Key(fillRoot_, Printf("PCI\\VEN_%04X&DEV_%04X", 0x1000 + group, 0x2000 + Below(0x1000)));
      const int width = 2 + Below(6);
      for (int i = 0; i < width && count_ < options_.keys; ++i) {
        const int item =
            user ? Key(top, Printf("Product%d", i), {Text("InstallDir", Printf("C:\\Program Files\\P%d", i))})
                 : Key(top, Printf("%04d", i), Device(i));
        const int depth = Below(4);
        int parent = item;
        for (int d = 0; d < depth && count_ < options_.keys; ++d)
          parent = Key(parent, d % 2 ? "Settings" : Printf("Section%d", d), Values(d));
        if (Below(9) == 0 && count_ < options_.keys) Key(item, Sjis("設定"), {Text("", Sjis("既定値"))});
      }
      ++group;
    }
  }

  void LargeBinaries() {
    if (options_.largeBinaries <= 0) return;
    const int top = Key(fillRoot_, "StreamCache");
    for (int i = 0; i < options_.largeBinaries; ++i) Key(top, Printf("Stream%d", i), {Binary("State", CacheState(i))});
  }

  // 65,000 bytes: "MZ" and a header, then entries of a 4-byte tag and a UTF-16LE path.
  std::string CacheState(int stream) {
    constexpr std::size_t kSize = 65000;
    std::string out("MZ\x90\x00", 4);
    out.resize(64, '\0');
    for (int entry = 0; out.size() < kSize; ++entry) {
      out += std::string("\x31\x00", 2) + static_cast<char>(entry & 0xFF) + static_cast<char>(Below(256));
      for (char c : Printf("C:\\Program Files\\Vendor%03d\\cache%05d.dat", stream, entry)) out += std::string{c, '\0'};
      out += std::string(2, '\0');
    }
    out.resize(kSize);
    return out;
  }

  std::vector<Value> Device(int i) {
    return {Text("Class", "Display"), Text("HardwareID", Printf("PCI\\VEN_%04X", 0x1000 + i)),
            Text("Driver", Printf("DISPLAY\\%04d", i)), Binary("ConfigFlags", std::string(4, '\0'), 3)};
  }

  std::vector<Value> Values(int seed) {
    std::vector<Value> values;
    const int n = Below(4);
    for (int v = 0; v < n; ++v) {
      switch ((seed + v) % 3) {
        case 0:
          values.push_back(Text(Printf("Name%d", v), Printf("value text %d", Below(100000))));
          break;
        case 1:
          values.push_back(Dword(Printf("Flag%d", v), static_cast<std::uint32_t>(random_())));
          break;
        default:
          values.push_back(Binary(Printf("Data%d", v), std::string(static_cast<std::size_t>(1 + Below(40)), '\x5A')));
          break;
      }
    }
    if (Below(5) == 0) values.push_back(Text("", "default"));
    return values;
  }

  GeneratorOptions options_;
  std::mt19937 random_;
  HiveBuilder builder_;
  int root_ = 0;
  int fillRoot_ = 0;
  int ghost_ = 0;
  int count_ = 0;
  int blockIndex_ = 0;
  int recordsInBlock_ = 0;
  std::size_t bytesInBlock_ = 0;
};

}  // namespace

testkit::BuiltHive GenerateHive(const GeneratorOptions& options) { return Generator(options).Run(); }

const std::vector<std::string>& WordsOf(CodePage codePage) {
  // Everyday words of each script, with the letters that tell the pages apart; the 932 and 950
  // words include characters whose second byte is 0x5C, the backslash (表, 許), and 932's
  // half-width katakana. Vietnamese is kept to letters 1258 holds precomposed: its tone marks
  // are combining characters, which a round trip would give back decomposed.
  static const std::map<CodePage, std::vector<std::string>> words = {
      {CodePage::Cp874, {"ภาษาไทย", "การตั้งค่า", "แฟ้ม"}},
      {CodePage::Cp932, {"設定", "表示", "ｽｸﾘｰﾝ", "ソフト"}},
      {CodePage::Cp936, {"设置", "简体中文", "文件"}},
      {CodePage::Cp949, {"설정", "한국어", "파일"}},
      {CodePage::Cp950, {"設定", "繁體中文", "許可"}},
      {CodePage::Cp1250, {"Nastavení", "Łódź", "Žluťoučký kůň"}},
      {CodePage::Cp1251, {"Настройки", "Пример", "Ёлка"}},
      {CodePage::Cp1252, {"Öffnet", "fenêtre", "Größe", "Año"}},
      {CodePage::Cp1253, {"Ρυθμίσεις", "Ελληνικά", "Αρχείο"}},
      {CodePage::Cp1254, {"Ayarlar", "Şişli", "İstanbul", "Dosyağ"}},
      {CodePage::Cp1255, {"הגדרות", "עברית", "קובץ"}},
      {CodePage::Cp1256, {"الإعدادات", "عربي", "ملف"}},
      {CodePage::Cp1257, {"Nustatymai", "Ąžuolas", "Rīga"}},
      {CodePage::Cp1258, {"Đăng", "Ưu tiên", "Cơ"}},
      {CodePage::SingleByte, {"Caf\xC3\xA9"}},
  };
  const auto it = words.find(codePage);
  return it != words.end() ? it->second : words.at(CodePage::Cp1252);
}

}  // namespace quarvex::tools
