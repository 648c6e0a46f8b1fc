#pragma once
// The mark-up text of a thumbnail list item and how its parts are read back:
//   <IMG src="file://THUMBNAIL" align="top">NAME | CAPTION
// Thumbnail path, name and caption are escaped into the mark-up (see kalvora::MarkupEscape), so
// a name or caption holding "<", ">", "&", '"' or "|" stays plain text; the readers unescape.
#include <QString>

#include "StoredCaption.h"

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
// The Pictures.ini line of an item: the stored name, then " | " and the stored caption when the
// item has a caption field (platform/StoredCaption.h).
QString ItemPictureListLine(const QString& item);
// The stored caption form and the plain-name check are shared with the player and the
// productions (platform/StoredCaption.h).
using kalvora::DecodeStoredCaption;
using kalvora::EncodeStoredCaption;
using kalvora::IsPlainFileName;
using kalvora::ReadPictureListLine;
