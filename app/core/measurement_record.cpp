#include "app/core/measurement_record.h"

#include <algorithm>
#include <utility>

namespace nimbrel {

namespace {

constexpr std::array<std::string_view, kQuantityCount> kKeywords{
    "BARO", "QNH", "ALTI", "HUMI", "TEMP1", "TEMP2", "DEW"};

}  // namespace

std::string_view Keyword(Quantity quantity) {
  return kKeywords[static_cast<std::size_t>(quantity)];
}

std::optional<Quantity> QuantityForKeyword(std::string_view name) {
  const auto* it = std::find(kKeywords.begin(), kKeywords.end(), name);
  if (it == kKeywords.end()) return std::nullopt;
  return static_cast<Quantity>(it - kKeywords.begin());
}

void MeasurementRecord::Set(Quantity quantity, std::string value, std::string unit) {
  Reading& reading = readings_[Index(quantity)];
  reading.value = std::move(value);
  reading.unit = std::move(unit);
}

void MeasurementRecord::clearDataRecord() {
  for (Reading& reading : readings_) {
    reading.value.clear();
    reading.unit.clear();
  }
}

bool MeasurementRecord::IsComplete() const {
  return std::none_of(readings_.begin(), readings_.end(),
                      [](const Reading& reading) { return reading.value.empty(); });
}

std::string MeasurementRecord::DisplayText(Quantity quantity) const {
  const Reading& reading = Get(quantity);
  return reading.value + " " + reading.unit;
}

}  // namespace nimbrel
