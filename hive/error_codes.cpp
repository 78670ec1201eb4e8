#include "hive/error_codes.h"

namespace quarvex::hive::code {

const char* Describe(std::int32_t c) {
  switch (c) {
    case kOk:
      return "no failure";
    case kJobAlreadyRunning:
      return "a job was asked to start while one runs";
    case kNoWindowsDirForUserDat:
      return "no Windows directory to open user.dat from";
    case kNoWindowsDirForSystemDat:
      return "no Windows directory to open system.dat from";
    case kFileMissing:
      return "the file does not exist (or is a directory)";
    case kHiveHeaderShort:
      return "fewer than 32 bytes of file header";
    case kHiveSignature:
      return "the file does not begin with \"CREG\"";
    case kKernelHeaderShort:
      return "fewer than 32 bytes of key-node block header at offset 32";
    case kKernelSignature:
      return "the key-node block does not begin with \"RGKN\"";
    case kKeyNodeShort:
      return "a key node lies (partly) outside the file";
    case kFreeKeyNodeShort:
      return "a free key node lies (partly) outside the file";
    case kBlockHeaderShort:
      return "a data block header lies (partly) outside the file";
    case kBlockSignature:
      return "a data block does not begin with \"RGDB\"";
    case kNoSuchBlock:
      return "no block table, or a block number beyond the block count";
    case kIndexEmpty:
      return "the record index holds no records";
    case kNoSuchRecord:
      return "no record with the asked block and record number";
    case kKeyNameShort:
      return "a key name runs past the end of the file";
    case kValueEntryShort:
      return "a value entry runs past the end of the file";
    case kTextValueShort:
      return "a text value's data runs past the end of the file";
    case kDwordValueShort:
      return "a DWORD value's data runs past the end of the file";
    case kRawValueShort:
      return "a binary value's data runs past the end of the file";
    case kFreeRecordShort:
      return "a free data record lies (partly) outside the file";
    case kLoadFailed:
      return "the file could not be opened or read";
    case kLinkLoop:
      return "a key tree, parent chain or free list links back onto itself";
    case kInternalFailure:
      return "the analysis ran out of memory or failed internally";
    case kValueNameShort:
      return "a value's name runs past the end of the file";
    default:
      return "unknown code";
  }
}

}  // namespace quarvex::hive::code
