#include "host/page_host.h"

#include <string_view>

#include "host/version_resource.h"
#include "text/text_encoding.h"

namespace quarvex::host {

using namespace quarvex::text;

namespace {

// The program as the page names it: its version block is the build's, as the Windows build
// carries it in its resources.
constexpr const char* kProgramPath = "quarvex-web";

class PageHost : public HostPlatform {
 public:
  PageHost(PageSystem system, CodePage codePage) : system_(std::move(system)), codePage_(codePage) {}

  std::optional<OsVersionInfo> GetVersion() override {
    OsVersionInfo v;
    v.platformId = kOtherPlatform;
    v.otherSystemName = system_.name;
    ParseRelease(system_.release, v);
    return v;
  }

  std::optional<std::string> WindowsDirectory() override { return std::nullopt; }
  std::unique_ptr<RegistryKey> OpenLocalMachineKey(const std::string&) override { return nullptr; }

  std::uint32_t FileVersionInfoSize(const std::string& path) override {
    return path == kProgramPath ? static_cast<std::uint32_t>(OwnVersionBlock().size()) : 0;
  }

  std::optional<std::vector<std::uint8_t>> FileVersionInfo(const std::string& path, std::uint32_t size) override {
    if (path != kProgramPath) return std::nullopt;
    std::vector<std::uint8_t> block = OwnVersionBlock();
    if (block.size() > size) return std::nullopt;
    return block;
  }

  std::optional<std::string> QueryVersionValue(std::vector<std::uint8_t>& info, const std::string& subBlock) override {
    const auto value = QueryVersionBlock(info, subBlock);
    if (!value || value->data.empty()) return std::nullopt;
    return value->eightBit ? CodePageToUtf8(value->data, codePage_) : value->data;
  }

  std::optional<LocalDateTime> FileLastWriteLocal(const std::string&) override { return std::nullopt; }

  std::vector<LeadByteRange> LeadByteRanges(std::uint32_t codePage) override {
    const std::optional<CodePage> page =
        codePage == 0 ? std::optional<CodePage>(codePage_) : ParseCodePage(std::to_string(codePage));
    return page ? LeadByteRangesOf(*page) : std::vector<LeadByteRange>{};
  }

  bool DoubleByteEnabled() override { return IsDoubleByte(codePage_); }
  std::string ProgramPath() override { return kProgramPath; }

 private:
  static std::vector<std::uint8_t> OwnVersionBlock() { return EncodeVersionBlock(0x0411, 0x03A4, QUARVEX_VERSION); }

  PageSystem system_;
  CodePage codePage_;
};

PageSystem& PageSystemSlot() {
  static PageSystem system;
  return system;
}

}  // namespace

std::unique_ptr<HostPlatform> MakePageHost(const PageSystem& system, CodePage codePage) {
  return std::make_unique<PageHost>(system, codePage);
}

const PageSystem& CurrentPageSystem() { return PageSystemSlot(); }
void SetPageSystem(PageSystem system) { PageSystemSlot() = std::move(system); }

}  // namespace quarvex::host
