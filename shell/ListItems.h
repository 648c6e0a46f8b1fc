#pragma once
// The mark-up text of a thumbnail list item and how its parts are read back:
//   <IMG src="file://THUMBNAIL" align="top">NAME | CAPTION
// Thumbnail path, name and caption are escaped into the mark-up (see kalvora::MarkupEscape), so
// a name or caption holding "<", ">", "&", '"' or "|" stays plain text; the readers unescape.
#include <QString>

QString MakeListItem(const QString& thumbnail, const QString& name);                          // no caption part
QString MakeListItem(const QString& thumbnail, const QString& name, const QString& caption);  // " | " caption
// The text behind the picture element (the whole text when it has none), still escaped.
QString ItemTextBehindPicture(const QString& item);
// The picture's file name: the text behind the picture element up to the first "|", trimmed.
QString ItemFileName(const QString& item);
// The caption: the second "|" field behind the picture element, trimmed; empty when none.
QString ItemCaption(const QString& item);
// The thumbnail path of the item's picture element ("" when none).
QString ItemThumbnailPath(const QString& item);
// True when the item has a caption field (an empty one included).
bool ItemHasCaptionField(const QString& item);
// The Pictures.ini line of an item: the name, then " | " and the stored caption when the item
// has a caption field.
QString ItemPictureListLine(const QString& item);
// A caption as Pictures.ini stores it: "&", "<", ">", '"', "|" and line breaks as character
// references (the player decodes them), so the caption stays on its line and never splits.
QString EncodeStoredCaption(const QString& caption);
// The caption read from a Pictures.ini line (references decoded; other text as it is).
QString DecodeStoredCaption(const QString& stored);
// True when a file name read from a stored list stays inside its folder.
bool IsPlainFileName(const QString& name);
