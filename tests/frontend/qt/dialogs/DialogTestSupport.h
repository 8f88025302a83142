// Waiting for what the event loop brings, and a small German dictionary.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "i18n/SFTranslateRepository.h"

namespace vantrel::test {

// Runs the event loop until `done` holds or `timeoutMs` has passed.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

// The file image of a dictionary with English and German.
inline QByteArray GermanDictionary(const std::vector<std::pair<std::string, QString>>& words) {
    TSFTranslateRepository repository;
    repository.SetLanguages({{u"English", {}, 0}, {u"German", {}, 0}});
    for (const auto& [key, german] : words)
        repository.AddWord(key, {german.toStdU16String()});
    return QByteArray::fromStdString(repository.StoreDictionary());
}

}  // namespace vantrel::test
