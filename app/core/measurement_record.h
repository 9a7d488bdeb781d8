#pragma once
// One measurement of the weather station: seven quantities, each a value text and a unit text
// exactly as the station sent them. Nothing is converted to numbers.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace nimbrel {

// The quantities in record order (the order of the log columns and the window's labels).
enum class Quantity : std::size_t { kBaro, kQnh, kAlti, kHumi, kTemp1, kTemp2, kDew };

inline constexpr std::size_t kQuantityCount = 7;

inline constexpr std::array<Quantity, kQuantityCount> kAllQuantities{
    Quantity::kBaro,  Quantity::kQnh,   Quantity::kAlti, Quantity::kHumi,
    Quantity::kTemp1, Quantity::kTemp2, Quantity::kDew};

// The station's keyword of a quantity ("BARO", "QNH", ... "DEW").
std::string_view Keyword(Quantity quantity);

// The quantity whose keyword equals name exactly (the caller upper-cases), if any.
std::optional<Quantity> QuantityForKeyword(std::string_view name);

struct Reading {
  std::string value;
  std::string unit;
  bool operator==(const Reading&) const = default;
};

class MeasurementRecord {
 public:
  const Reading& Get(Quantity quantity) const { return readings_[Index(quantity)]; }
  void Set(Quantity quantity, std::string value, std::string unit);

  // Empties all fourteen texts.
  void clearDataRecord();

  // True when every quantity has a non-empty value; units may be empty.
  bool IsComplete() const;

  // What the window shows for a quantity: value, one blank, unit (the blank also without unit).
  std::string DisplayText(Quantity quantity) const;

  bool operator==(const MeasurementRecord&) const = default;

 private:
  static constexpr std::size_t Index(Quantity quantity) { return static_cast<std::size_t>(quantity); }

  std::array<Reading, kQuantityCount> readings_;
};

}  // namespace nimbrel
