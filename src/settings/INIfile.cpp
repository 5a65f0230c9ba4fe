#include "INIfile.h"

#include "ProfileFunctions.h"
#include "Windows1252.h"

#include <QFile>

namespace INIfile {

namespace cp = platform::windows1252;

std::string INIRead(const std::string& FileName, const std::string& Section,
                    const std::string& Key) {
    return platform::profile::getString(FileName, Section, Key, "", ReadBufferSize);
}

int32_t INIWrite(const std::string& FileName, const std::string& Section, const std::string& Key,
                 const std::string& Value) {
    return platform::profile::writeString(FileName, Section, Key, Value) ==
                   platform::profile::WriteResult::Ok
               ? 1
               : 0;
}

QString INIRead(const QString& FileName, const QString& Section, const QString& Key) {
    return cp::decode(
        INIRead(QFile::encodeName(FileName).toStdString(), cp::encode(Section), cp::encode(Key)));
}

int32_t INIWrite(const QString& FileName, const QString& Section, const QString& Key,
                 const QString& Value) {
    return INIWrite(QFile::encodeName(FileName).toStdString(), cp::encode(Section), cp::encode(Key),
                    cp::encode(Value));
}

} // namespace INIfile
