#include "app/core/reply_parser.h"

#include <optional>
#include <string>

namespace nimbrel {

namespace {

// Blanks and control characters: every byte with a code from 0 to 32.
bool IsSpaceOrControl(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsSpaceOrControl(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpaceOrControl(text.back())) text.remove_suffix(1);
  return text;
}

// Trimmed, then one leading and one trailing double quote removed, then trimmed again.
std::string_view CleanToken(std::string_view token) {
  token = Trim(token);
  if (!token.empty() && token.front() == '"') token.remove_prefix(1);
  if (!token.empty() && token.back() == '"') token.remove_suffix(1);
  return Trim(token);
}

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

// The unparsed remainder of a reply. Once a token finds no blank after it, nothing more is
// taken from it and the parse ends after the current pass.
class TokenStream {
 public:
  explicit TokenStream(std::string_view line) : rest_(Trim(line)) {}

  bool Ending() const { return ending_; }

  // A "*" where a name is expected discards the rest of the reply.
  void DiscardIfStarred() {
    if (!rest_.empty() && rest_.front() == '*') {
      rest_ = {};
      ending_ = true;
    }
  }

  // Upper-casing touches only a-z and cleaning only blanks, controls and quotes, so the name
  // may be cleaned before it is upper-cased.
  std::string TakeName() { return UpperAscii(CleanToken(Take())); }
  std::string_view TakeText() { return CleanToken(Take()); }

 private:
  std::string_view Take() {
    const std::size_t blank = rest_.find(' ');
    if (blank == std::string_view::npos) {
      ending_ = true;
      return {};
    }
    const std::string_view token = rest_.substr(0, blank);
    rest_ = Trim(rest_.substr(blank + 1));
    return token;
  }

  std::string_view rest_;
  bool ending_ = false;
};

constexpr std::string_view kMissingValue = "---";
constexpr std::string_view kMissingValueLogged = "-20000";

void ParsePass(TokenStream& tokens, MeasurementRecord& record) {
  tokens.DiscardIfStarred();
  const std::string name = tokens.TakeName();
  std::string_view value = tokens.TakeText();
  std::string_view unit;
  if (value == kMissingValue) {
    value = kMissingValueLogged;
  } else {
    unit = tokens.TakeText();
  }
  if (const std::optional<Quantity> quantity = QuantityForKeyword(name)) {
    record.Set(*quantity, std::string(value), std::string(unit));
  }
}

}  // namespace

void ParseReply(std::string_view line, MeasurementRecord& record) {
  record.clearDataRecord();
  TokenStream tokens(line);
  do {
    ParsePass(tokens, record);
  } while (!tokens.Ending());
}

}  // namespace nimbrel
