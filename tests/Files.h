#pragma once

// Files and the program's environment for the tests.

#include <QByteArray>
#include <QFile>
#include <QProcessEnvironment>
#include <QString>

// Whole files for the tests: false or empty when they cannot be had.
inline bool write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The environment of the program run as a user runs it from a terminal
// without a display: it must find its own way to draw.
inline QProcessEnvironment terminalEnvironment() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return environment;
}
