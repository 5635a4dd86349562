#include "lumetra/mail/content_types.h"

#include <array>
#include <utility>

namespace lumetra::mail {
namespace {

constexpr std::array<std::pair<std::u16string_view, std::string_view>, 34> kTypes{{
    {u"7z", "application/x-7z-compressed"},
    {u"bmp", "image/bmp"},
    {u"csv", "text/csv"},
    {u"doc", "application/msword"},
    {u"docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
    {u"eml", "message/rfc822"},
    {u"gif", "image/gif"},
    {u"gz", "application/gzip"},
    {u"htm", "text/html"},
    {u"html", "text/html"},
    {u"ico", "image/x-icon"},
    {u"jpeg", "image/jpeg"},
    {u"jpg", "image/jpeg"},
    {u"js", "text/javascript"},
    {u"json", "application/json"},
    {u"mp3", "audio/mpeg"},
    {u"mp4", "video/mp4"},
    {u"odt", "application/vnd.oasis.opendocument.text"},
    {u"ods", "application/vnd.oasis.opendocument.spreadsheet"},
    {u"pdf", "application/pdf"},
    {u"png", "image/png"},
    {u"ppt", "application/vnd.ms-powerpoint"},
    {u"pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
    {u"rar", "application/vnd.rar"},
    {u"rtf", "application/rtf"},
    {u"svg", "image/svg+xml"},
    {u"tif", "image/tiff"},
    {u"tiff", "image/tiff"},
    {u"txt", "text/plain"},
    {u"wav", "audio/wav"},
    {u"xls", "application/vnd.ms-excel"},
    {u"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
    {u"xml", "text/xml"},
    {u"zip", "application/zip"},
}};

}  // namespace

std::string_view ContentTypeForFileName(WideStringView file_name) {
  const auto dot = file_name.rfind(u'.');
  if (dot == WideStringView::npos) return "application/octet-stream";
  WideString extension(file_name.substr(dot + 1));
  for (auto& c : extension)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  for (const auto& [ext, type] : kTypes)
    if (ext == extension) return type;
  return "application/octet-stream";
}

}  // namespace lumetra::mail
