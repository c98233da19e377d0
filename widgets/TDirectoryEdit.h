#pragma once

#include <QLineEdit>

// Folder entry field: a one-line edit whose text names a folder.
class TDirectoryEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TDirectoryEdit(QWidget *parent = nullptr);
};
