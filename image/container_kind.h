// What a file on disk is to the image layer, told by its signatures alone (nothing is mounted,
// no library probes it): a loose hive, a cabinet backup, or a disk image, and for an image its
// container format. The windows ask this of the file the user chose, to offer the registry
// files inside an image or cabinet instead of analysing the container itself.
#pragma once

#include <string>

namespace quarvex::image {

enum class ContainerKind { None, Cabinet, DiskImage };
enum class ImageFormat { Raw, Ewf, Vmdk, Vhd };

// The container format by its signatures: E01 ("EVF"), VMDK (sparse "KDMV" or a text
// descriptor), VHD ("conectix" at the start, or in the footer 512 bytes before the end);
// anything else is raw.
ImageFormat ImageFormatOf(const std::string& path);

// None for a hive ("CREG" first, or "RGKN" at 0x20 when its header is damaged), a file that is not there or not a regular file, and anything
// that starts like no container; Cabinet for "MSCF"; DiskImage for an E01, VMDK or VHD
// signature, or a first sector that ends in the boot signature 55 AA (a partition table or
// a FAT boot sector, also the first piece of a split raw image).
ContainerKind ContainerKindOf(const std::string& path);

// Whether this build reads disk images and cabinets (made with The Sleuth Kit and libmspack).
bool ImagesSupported();

}  // namespace quarvex::image
