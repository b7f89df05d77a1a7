#pragma once
// The file dialogs for choosing a picture to open and a picture file to save.

#include <QString>

#include <string>

class QWidget;

// The open dialog's filter in Qt's form: the entries of string 130, each in
// lower and upper case. The first ("all supported files") lists every
// extension the installed picture decoders read; the named types keep the
// extensions those decoders read, and the last entry takes all files.
QString OpenPictureFilter();

// Asks for a picture file to open, starting in App().m_strPictDir. True with the
// chosen full path (UTF-8) written to `path`; false on Cancel, `path` untouched.
bool AskOpenPictureName(std::string& path, QWidget* parent = nullptr);

// Asks for a picture file name to save, starting from `path` as the proposed
// name (a name without a folder starts in App().m_strPictDir). A name typed
// without extension gets the first extension of the chosen file type (".jpg"
// unless another type was chosen). True with the full path written to `path`;
// false on Cancel, `path` untouched.
bool AskSavePictureName(std::string& path, QWidget* parent = nullptr);
