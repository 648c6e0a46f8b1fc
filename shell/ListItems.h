#pragma once
// The mark-up text of a thumbnail list item and how its parts are read back:
//   <IMG src="file://THUMBNAIL" align="top">NAME | CAPTION
#include <QString>

QString MakeListItem(const QString& thumbnail, const QString& name);                          // no caption part
QString MakeListItem(const QString& thumbnail, const QString& name, const QString& caption);  // " | " caption
// The text behind the picture element (the whole text when it has none).
QString ItemTextBehindPicture(const QString& item);
// The picture's file name: the text behind the picture element up to the first "|", trimmed.
QString ItemFileName(const QString& item);
// The caption: the second "|" field behind the picture element, trimmed; empty when none.
QString ItemCaption(const QString& item);
// The Pictures.ini line of an item: the text behind the picture element up to the next ">".
QString ItemPictureListLine(const QString& item);
// True when a file name read from a stored list stays inside its folder.
bool IsPlainFileName(const QString& name);
