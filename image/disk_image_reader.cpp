// The disk image reader of the image module: The Sleuth Kit's image, volume and file system
// layers, read-only.
#include "image/disk_image_reader.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <tsk/libtsk.h>

#include "image/container_kind.h"

namespace quarvex::image {

namespace {

std::string TskError(const std::string& what) {
  const char* text = tsk_error_get();
  std::string message = what;
  if (text && *text) message += std::string(": ") + text;
  tsk_error_reset();
  return message;
}

// A damaged directory tree is walked no further than this many entries.
constexpr std::size_t kMostEntries = 1'000'000;

// The container format as its signatures tell it. Asking the library to detect it tries every
// format in turn, and the failed tries of the virtual-disk libraries leak their handles; each
// open would add to it.
TSK_IMG_TYPE_ENUM ContainerFormat(const std::string& path) {
  switch (ImageFormatOf(path)) {
    case ImageFormat::Ewf:
      return TSK_IMG_TYPE_EWF_EWF;
    case ImageFormat::Vmdk:
      return TSK_IMG_TYPE_VMDK_VMDK;
    case ImageFormat::Vhd:
      return TSK_IMG_TYPE_VHD_VHD;
    case ImageFormat::Raw:
      break;
  }
  return TSK_IMG_TYPE_RAW;
}

}  // namespace

// Reads [at, at + into.size()) of the image whole, never past its end.
bool ReadImage(TSK_IMG_INFO* image, std::uint64_t at, std::span<std::uint8_t> into) {
  const auto size = static_cast<std::uint64_t>(image->size);
  if (at > size || into.size() > size - at) return false;
  std::size_t done = 0;
  while (done < into.size()) {
    const ssize_t got = tsk_img_read(image, static_cast<TSK_OFF_T>(at + done),
                                     reinterpret_cast<char*>(into.data() + done), into.size() - done);
    if (got <= 0) {
      tsk_error_reset();
      return false;
    }
    done += static_cast<std::size_t>(got);
  }
  return true;
}

// An image opened for its bytes alone.
class TskImageBytes final : public ImageBytes {
 public:
  explicit TskImageBytes(TSK_IMG_INFO* opened) : image_(opened) {}
  ~TskImageBytes() override { tsk_img_close(image_); }
  std::uint64_t Size() const override { return static_cast<std::uint64_t>(image_->size); }
  bool Read(std::uint64_t at, std::span<std::uint8_t> into) const override { return ReadImage(image_, at, into); }

 private:
  TSK_IMG_INFO* image_;
};

// One opened image: the handles of The Sleuth Kit, closed in the reverse order of opening.
class TskDiskImage final : public DiskImage {
 public:
  ~TskDiskImage() override {
    for (TSK_FS_INFO* fs : fileSystems) tsk_fs_close(fs);
    if (volumes) tsk_vs_close(volumes);
    if (image) tsk_img_close(image);
  }

  std::string FormatText() const override;
  std::string PartitionTableText() const override;
  std::uint64_t Size() const override { return static_cast<std::uint64_t>(image->size); }
  const std::vector<FileSystemInfo>& FileSystems() const override { return infos; }
  std::vector<FoundFile> FindHives(bool withDeleted, std::vector<std::string>& notes) const override;
  std::optional<std::vector<std::uint8_t>> ReadFile(const InnerPath& path, std::string& error,
                                                    std::uint64_t largest) const override;
  std::vector<ImageExtent> UnallocatedExtents(std::vector<std::string>& notes) const override;
  std::vector<ImageExtent> FileExtents(const FoundFile& file) const override;
  bool ReadBytes(std::uint64_t at, std::span<std::uint8_t> into) const override { return ReadImage(image, at, into); }

  TSK_IMG_INFO* image = nullptr;
  TSK_VS_INFO* volumes = nullptr;
  std::vector<TSK_FS_INFO*> fileSystems;
  std::vector<FileSystemInfo> infos;

  void Add(TSK_FS_INFO* fs) {
    fileSystems.push_back(fs);
    const unsigned number = static_cast<unsigned>(fileSystems.size());
    const char* type = tsk_fs_type_toname(fs->ftype);
    std::string upper = type ? type : "FAT";
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    infos.push_back({number, upper, static_cast<std::uint64_t>(fs->offset),
                     static_cast<std::uint64_t>(fs->block_count) * fs->block_size});
  }
};

std::unique_ptr<DiskImage> OpenDiskImageWithTsk(const std::string& path, std::string& error) {
  tsk_error_reset();
  auto opened = std::make_unique<TskDiskImage>();
  // The Sleuth Kit opens images read-only; it finds the other pieces of a split image itself.
  opened->image = tsk_img_open_utf8_sing(path.c_str(), ContainerFormat(path), 0);
  if (!opened->image) {
    error = TskError("not a readable disk image");
    return nullptr;
  }
  opened->volumes = tsk_vs_open(opened->image, 0, TSK_VS_TYPE_DETECT);
  if (opened->volumes) {
    for (TSK_PNUM_T i = 0; i < opened->volumes->part_count; ++i) {
      const TSK_VS_PART_INFO* part = tsk_vs_part_get(opened->volumes, i);
      if (!part || !(part->flags & TSK_VS_PART_FLAG_ALLOC)) continue;
      if (TSK_FS_INFO* fs = tsk_fs_open_vol(part, TSK_FS_TYPE_FAT_DETECT)) opened->Add(fs);
    }
    tsk_error_reset();
  } else {
    tsk_error_reset();
    if (TSK_FS_INFO* fs = tsk_fs_open_img(opened->image, 0, TSK_FS_TYPE_FAT_DETECT)) opened->Add(fs);
  }
  if (opened->fileSystems.empty()) {
    error = TskError(opened->volumes ? "no FAT file system in any partition of the image"
                                     : "neither a partition table nor a FAT file system at the image's start");
    return nullptr;
  }
  return opened;
}

std::unique_ptr<ImageBytes> OpenImageBytesWithTsk(const std::string& path, std::string& error) {
  tsk_error_reset();
  TSK_IMG_INFO* image = tsk_img_open_utf8_sing(path.c_str(), ContainerFormat(path), 0);
  if (!image) {
    error = TskError("not a readable disk image");
    return nullptr;
  }
  return std::make_unique<TskImageBytes>(image);
}

std::string TskDiskImage::FormatText() const {
  const char* name = tsk_img_type_toname(image->itype);
  return name ? name : "?";
}

std::string TskDiskImage::PartitionTableText() const {
  if (!volumes) return "none";
  const char* name = tsk_vs_type_toname(volumes->vstype);
  return name ? name : "?";
}

namespace {

struct WalkState {
  unsigned fileSystem = 0;
  bool withDeleted = false;
  std::size_t entries = 0;
  bool stopped = false;
  std::vector<FoundFile>* found = nullptr;
};

TSK_WALK_RET_ENUM OnEntry(TSK_FS_FILE* file, const char* parent, void* pointer) {
  auto& state = *static_cast<WalkState*>(pointer);
  if (++state.entries > kMostEntries) {
    state.stopped = true;
    return TSK_WALK_STOP;
  }
  if (!file->name || !file->name->name) return TSK_WALK_CONT;
  if (file->name->type != TSK_FS_NAME_TYPE_REG && file->name->type != TSK_FS_NAME_TYPE_UNDEF) return TSK_WALK_CONT;
  const bool deleted = (file->name->flags & TSK_FS_NAME_FLAG_UNALLOC) != 0;
  if (deleted && !state.withDeleted) return TSK_WALK_CONT;
  const std::optional<HiveKind> kind = HiveKindOfName(file->name->name, deleted);
  if (!kind) return TSK_WALK_CONT;
  FoundFile found;
  found.fileSystem = state.fileSystem;
  found.path = std::string(parent ? parent : "") + file->name->name;
  found.kind = *kind;
  found.deleted = deleted;
  if (file->meta) {
    if (file->meta->type != TSK_FS_META_TYPE_REG && file->meta->type != TSK_FS_META_TYPE_UNDEF) return TSK_WALK_CONT;
    found.size = static_cast<std::uint64_t>(std::max<TSK_OFF_T>(file->meta->size, 0));
    found.created = file->meta->crtime;
    found.written = file->meta->mtime;
    found.accessed = file->meta->atime;
  }
  state.found->push_back(std::move(found));
  return TSK_WALK_CONT;
}

}  // namespace

std::vector<FoundFile> TskDiskImage::FindHives(bool withDeleted, std::vector<std::string>& notes) const {
  std::vector<FoundFile> found;
  for (std::size_t i = 0; i < fileSystems.size(); ++i) {
    TSK_FS_INFO* fs = fileSystems[i];
    WalkState state{static_cast<unsigned>(i + 1), withDeleted, 0, false, &found};
    // The orphan directory is left out: building it reads every directory entry of the
    // volume, and a deleted hive whose directory survives is found in that directory.
    const auto flags = static_cast<TSK_FS_DIR_WALK_FLAG_ENUM>(
        TSK_FS_DIR_WALK_FLAG_ALLOC | TSK_FS_DIR_WALK_FLAG_RECURSE | TSK_FS_DIR_WALK_FLAG_NOORPHAN |
        (withDeleted ? TSK_FS_DIR_WALK_FLAG_UNALLOC : TSK_FS_DIR_WALK_FLAG_NONE));
    tsk_error_reset();
    if (tsk_fs_dir_walk(fs, fs->root_inum, flags, OnEntry, &state) != 0)
      notes.push_back(TskError("file system " + std::to_string(i + 1) + ": the directory walk stopped"));
    if (state.stopped)
      notes.push_back("file system " + std::to_string(i + 1) + ": walk stopped after " + std::to_string(kMostEntries) +
                      " directory entries");
    tsk_error_reset();
  }
  return found;
}

std::optional<std::vector<std::uint8_t>> TskDiskImage::ReadFile(const InnerPath& path, std::string& error,
                                                                std::uint64_t largest) const {
  if (path.fileSystem > fileSystems.size()) {
    error = "file system " + std::to_string(path.fileSystem) + " is not in the image, which has " +
            std::to_string(fileSystems.size());
    return std::nullopt;
  }
  const std::string absolute = "/" + path.path;
  for (std::size_t i = 0; i < fileSystems.size(); ++i) {
    if (path.fileSystem != 0 && i + 1 != path.fileSystem) continue;
    tsk_error_reset();
    // Names match as FAT matches them: either case, the long name or the 8.3 one; a
    // deleted entry is taken only when no allocated one has the name.
    TSK_FS_FILE* file = tsk_fs_file_open(fileSystems[i], nullptr, absolute.c_str());
    if (!file) continue;
    std::unique_ptr<TSK_FS_FILE, void (*)(TSK_FS_FILE*)> closer(file, tsk_fs_file_close);
    if (!file->meta || file->meta->type != TSK_FS_META_TYPE_REG) {
      error = path.path + " is not a regular file";
      return std::nullopt;
    }
    const TSK_OFF_T claimed = file->meta->size;
    if (claimed < 0 || static_cast<std::uint64_t>(claimed) > largest ||
        static_cast<std::uint64_t>(claimed) > static_cast<std::uint64_t>(image->size)) {
      error = path.path + ": its directory entry claims " + std::to_string(claimed) + " bytes, more than " +
              (static_cast<std::uint64_t>(claimed) > largest ? "a registry file may have" : "the image holds");
      return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(claimed));
    std::size_t done = 0;
    while (done < bytes.size()) {
      const std::size_t want = std::min<std::size_t>(bytes.size() - done, 1u << 20);
      const ssize_t got =
          tsk_fs_file_read(file, static_cast<TSK_OFF_T>(done), reinterpret_cast<char*>(bytes.data() + done), want,
                           TSK_FS_FILE_READ_FLAG_NONE);
      if (got <= 0) {
        error = TskError(path.path + ": read failed at offset " + std::to_string(done) + " of " +
                         std::to_string(bytes.size()));
        return std::nullopt;
      }
      done += static_cast<std::size_t>(got);
    }
    return bytes;
  }
  tsk_error_reset();
  error = "no file " + path.path +
          (path.fileSystem ? " in file system " + std::to_string(path.fileSystem) : std::string(" in the image"));
  return std::nullopt;
}

namespace {

// Runs of consecutive blocks, as image extents.
struct ExtentCollector {
  std::uint64_t base = 0;  // the file system's offset in the image
  std::uint64_t blockSize = 0;
  std::vector<ImageExtent>* extents = nullptr;
  void Add(TSK_DADDR_T address) {
    const std::uint64_t at = base + static_cast<std::uint64_t>(address) * blockSize;
    if (!extents->empty() && extents->back().offset + extents->back().size == at)
      extents->back().size += blockSize;
    else
      extents->push_back({at, blockSize});
  }
};

TSK_WALK_RET_ENUM OnUnallocatedBlock(const TSK_FS_BLOCK* block, void* pointer) {
  static_cast<ExtentCollector*>(pointer)->Add(block->addr);
  return TSK_WALK_CONT;
}

TSK_WALK_RET_ENUM OnFileBlock(TSK_FS_FILE*, TSK_OFF_T, TSK_DADDR_T address, char*, size_t, TSK_FS_BLOCK_FLAG_ENUM flags,
                              void* pointer) {
  if (!(flags & TSK_FS_BLOCK_FLAG_SPARSE)) static_cast<ExtentCollector*>(pointer)->Add(address);
  return TSK_WALK_CONT;
}

}  // namespace

std::vector<ImageExtent> TskDiskImage::UnallocatedExtents(std::vector<std::string>& notes) const {
  std::vector<ImageExtent> extents;
  for (std::size_t i = 0; i < fileSystems.size(); ++i) {
    TSK_FS_INFO* fs = fileSystems[i];
    ExtentCollector collector{static_cast<std::uint64_t>(fs->offset), fs->block_size, &extents};
    tsk_error_reset();
    const auto flags =
        static_cast<TSK_FS_BLOCK_WALK_FLAG_ENUM>(TSK_FS_BLOCK_WALK_FLAG_UNALLOC | TSK_FS_BLOCK_WALK_FLAG_AONLY);
    if (tsk_fs_block_walk(fs, fs->first_block, fs->last_block, flags, OnUnallocatedBlock, &collector) != 0)
      notes.push_back(TskError("file system " + std::to_string(i + 1) + ": the walk of unallocated clusters stopped"));
    tsk_error_reset();
  }
  return extents;
}

std::vector<ImageExtent> TskDiskImage::FileExtents(const FoundFile& found) const {
  std::vector<ImageExtent> extents;
  if (found.fileSystem == 0 || found.fileSystem > fileSystems.size()) return extents;
  TSK_FS_INFO* fs = fileSystems[found.fileSystem - 1];
  tsk_error_reset();
  TSK_FS_FILE* file = tsk_fs_file_open(fs, nullptr, ("/" + found.path).c_str());
  if (!file) {
    tsk_error_reset();
    return extents;
  }
  std::unique_ptr<TSK_FS_FILE, void (*)(TSK_FS_FILE*)> closer(file, tsk_fs_file_close);
  ExtentCollector collector{static_cast<std::uint64_t>(fs->offset), fs->block_size, &extents};
  tsk_fs_file_walk(file, TSK_FS_FILE_WALK_FLAG_AONLY, OnFileBlock, &collector);
  tsk_error_reset();
  return extents;
}

}  // namespace quarvex::image
