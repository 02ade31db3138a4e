#pragma once
// The one error type that core code raises. It carries the message exactly as
// it is to be shown (for database errors: the database's own text).
#include <QString>
#include <exception>
#include <string>

class EMoxError : public std::exception {
public:
    explicit EMoxError(QString message) : m_message(std::move(message)), m_utf8(m_message.toStdString()) {}
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_message;
    std::string m_utf8;
};
