#pragma once
// Finding a window's controls by their names in tests.
#include <QObject>
#include <stdexcept>
#include <string>

namespace nimbrel {

template <typename Widget>
Widget& Child(const QObject& parent, const char* name) {
  auto* child = parent.findChild<Widget*>(QString::fromLatin1(name));
  if (child == nullptr) throw std::logic_error(std::string("no child ") + name);
  return *child;
}

}  // namespace nimbrel
