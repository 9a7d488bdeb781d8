#include "serial/check_exception.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "serial/error_strings.h"
#include "serial/exceptions.h"

namespace sio {

namespace {

using Raiser = void (*)(int32_t);

struct Mapping {
  int32_t code;
  Raiser raise;
};

template <class E>
[[noreturn]] void RaiseAs(int32_t code) {
  throw E(code);
}

constexpr auto BuildMappings() {
#define SIO_MAPPING(Name, Base, Code) Mapping{Code, &RaiseAs<Name>},
  auto table = std::to_array<Mapping>({
      SIO_LEAF_EXCEPTIONS(SIO_MAPPING)
      Mapping{-1006, &RaiseAs<EInternal>},
      Mapping{-6006, &RaiseAs<EProtocol>},
      Mapping{-6008, &RaiseAs<EProtocol>},
      Mapping{-6009, &RaiseAs<EProtocol>},
      Mapping{-7003, &RaiseAs<EInternal>},
      Mapping{-7006, &RaiseAs<EInternal>},
      Mapping{-7012, &RaiseAs<EInternal>},
  });
#undef SIO_MAPPING
  std::sort(table.begin(), table.end(),
            [](const Mapping& a, const Mapping& b) { return a.code < b.code; });
  return table;
}

constexpr auto kMappings = BuildMappings();

constexpr int32_t kFirstIoCode = -162;
constexpr int32_t kLastIoCode = -2;

const Mapping* FindMapping(int32_t code) {
  const auto* it = std::lower_bound(kMappings.begin(), kMappings.end(), code,
                                    [](const Mapping& m, int32_t c) { return m.code < c; });
  return it != kMappings.end() && it->code == code ? it : nullptr;
}

}  // namespace

void RaiseSioError(int32_t errorCode) {
  if (const Mapping* m = FindMapping(errorCode)) m->raise(errorCode);
  throw ESioException::CreateUnknown("Sio exception");
}

void CheckException(const TComponent* port, int32_t errorCode) {
  if (errorCode >= 0 || (port != nullptr && port->Loading())) return;
  if (errorCode >= kFirstIoCode && errorCode <= kLastIoCode) {
    if (errorCode == kErrOutOfMemory) throw EOutOfMemory();
    throw EInOutError(ErrorMessage(static_cast<int16_t>(-errorCode)), -errorCode);
  }
  RaiseSioError(errorCode);
}

}  // namespace sio
