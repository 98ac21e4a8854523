// The operation tables of the four formats.
#include "defaults.h"
#include "records/device_keypads.h"
#include "transfer/controller_decode.h"
#include "transfer/controller_image.h"
#include "transfer/controller_memory.h"
#include "transfer/live_updates.h"
#include "transfer/online.h"
#include "format_ops.h"
#include "layout.h"

namespace zephra {

namespace {

template <std::uint16_t Type>
Status ValidateAs(DbsHandle, ConfigImage* config) {
  if (!config) return DBS_ERR_INVALID_ARGUMENT;
  return ValidateConfigFor(*FindFormat(Type), *config);
}

// The V formats start from "nothing to send" everywhere; their own operations
// are filled in over it.
constexpr FormatOps AllNotSupported() {
  FormatOps ops;
#define ZEPHRA_OPS_STUB(name, type) ops.name = &NotSupported<type>::Call;
  ZEPHRA_FORMAT_OPS(ZEPHRA_OPS_STUB)
#undef ZEPHRA_OPS_STUB
  return ops;
}

template <std::uint16_t Type>
constexpr FormatOps VFormatOps() {
  FormatOps ops = AllNotSupported();
  ops.ValidateConfig = &ValidateAs<Type>;
  ops.BuildDefaultImage = &BuildDefaultImageV;
  ops.CopyKeypadAreas = &CopyKeypadAreasV;
  ops.BuildControllerImage = &BuildControllerImageV;
  ops.StoreControllerAreas = &StoreControllerAreasV;
  ops.ReadControllerConfig = &ReadControllerConfigV;
  ops.VerifyControllerChecksums = &VerifyControllerChecksumsV;
  ops.ClearProtectsStep = &ClearProtectsStepV;
  ops.DownloadAll = &DownloadAllV;
  ops.DownloadSelected = &DownloadSelectedV;
  ops.StoreControllerAreasSelected = &StoreControllerAreasSelectedV;
#define ZEPHRA_LIVE_SET(name) ops.name = &name##V;
  ZEPHRA_LIVE_ENTRIES(ZEPHRA_LIVE_SET)
#undef ZEPHRA_LIVE_SET
  ops.LivePortAssignment = &LivePortAssignmentV;
  ops.LiveKeypadArea = &LiveKeypadAreaV;
  ops.SendKeypadAreas = &SendKeypadAreasV;
  return ops;
}

// An old-format database is only opened to be converted: everything but its
// validation refuses, so no operation can reach an entry it lacks.
constexpr FormatOps Kv1FormatOps() {
  FormatOps ops;
#define ZEPHRA_OPS_REFUSE(name, type) ops.name = &RefusedForFormat<type>::Call;
  ZEPHRA_FORMAT_OPS(ZEPHRA_OPS_REFUSE)
#undef ZEPHRA_OPS_REFUSE
  ops.ValidateConfig = &ValidateAs<DBS_TYPE_KV1>;
  return ops;
}

constexpr FormatOps kKv1Ops = Kv1FormatOps();
constexpr FormatOps kV1Ops = VFormatOps<DBS_TYPE_V1>();
constexpr FormatOps kV2Ops = VFormatOps<DBS_TYPE_V2>();
constexpr FormatOps kV3Ops = VFormatOps<DBS_TYPE_V3>();

}  // namespace

const FormatOps* FormatOpsFor(std::uint16_t configType) {
  switch (configType) {
    case DBS_TYPE_KV1: return &kKv1Ops;
    case DBS_TYPE_V1: return &kV1Ops;
    case DBS_TYPE_V2: return &kV2Ops;
    case DBS_TYPE_V3: return &kV3Ops;
    default: return nullptr;
  }
}

}  // namespace zephra
