#include "serial/data_line_writer.h"

namespace sio {

DataLineWriter::DataLineWriter(DiagnosticFile& file, std::size_t margin, std::string_view indent)
    : file_(file), margin_(margin), indent_(indent), column_(margin) {}

void DataLineWriter::Put(std::string_view rendered) {
  column_ += rendered.size();
  if (column_ > kLastColumn) {
    file_.EndLine();
    file_.Write(indent_);
    column_ = margin_ + rendered.size();
  }
  file_.Write(rendered);
}

void DataLineWriter::RestartLine() { column_ = margin_; }

}  // namespace sio
