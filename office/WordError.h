// The one error type of the document writer: a message in both interface
// languages, naming what was missing or could not be done.
#pragma once

#include <QString>
#include <exception>
#include <string>

namespace pit {

class WordError : public std::exception {
public:
    WordError(QString zh, QString en)
        : m_zh(std::move(zh)), m_en(std::move(en)), m_what(m_en.toStdString()) {}

    const QString& message(bool english) const { return english ? m_en : m_zh; }
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    QString m_zh;
    QString m_en;
    std::string m_what;
};

} // namespace pit
