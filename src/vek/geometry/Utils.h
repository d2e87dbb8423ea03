#pragma once
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "vek/foundation/Collection.h"
#include "vek/foundation/Convert.h"
#include "vek/geometry/GeometryMath.h"

namespace vek {

// The host's helper object (one process-wide instance, handed out by
// Server): the text, file, address and mail helpers of foundation and the
// node geometry of GeometryMath behind one object, as hosts have always
// reached them. It lives in geometry because its geometry members take
// nodes; vek's own code calls the helpers directly. Paths accept "/" and "\".
class Utils : public GeometryMath {
public:
    Utils();

    // --- text and collections ---
    std::string removeCharacters(const std::string& tmpString, const std::string& charToRemove) const;
    std::string getHexFromByte(uint8_t tmpByte) const;
    // "192.168.1.5" -> "192.168.001.005"; empty unless four parts of 0..255.
    std::string getNormalizedEthernetAddress(const std::string& address) const;
    bool isValidIP(const std::string& ip) const;
    bool isValidVariableName(const std::string& name) const;
    std::vector<std::string> splitTokens(const std::string& text, const std::string& delimiter) const;
    // "name[index]=value" -> {name, index, value}; null when the line has
    // another form.
    std::shared_ptr<Collection<std::string>> getTokensFromArrayAssignment(const std::string& line,
                                                                          const std::string& arrayName = "*") const;
    template <typename T>
    bool isPresentInCollection(const Collection<T>& tmpCollection, const std::string& key) const {
        return tmpCollection.contains(key);
    }
    double Min(double value1, double value2) const { return value1 >= value2 ? value2 : value1; }
    double Max(double value1, double value2) const { return value1 <= value2 ? value2 : value1; }

    // --- process ---
    // Blocks for that many seconds while the event loop keeps running.
    void wait(double numberOfSeconds) const;
    bool isRunningInsideIDE() const { return false; }
    int32_t random(int32_t Low, int32_t High);

    // --- files ---
    void deleteFile(const std::string& fileName) const;
    void writeFile(const std::string& fileName, const std::string& buffer, bool append = false) const;
    std::string directoryOfFileFromPath(const std::string& filePath) const;
    std::string nameOfFileFromPath(const std::string& filePath) const;
    std::string getExtension(const std::string& filePath) const;
    DateTime getFileCreationTime(const std::string& filePath) const;
    std::string ReadFile(const std::string& filePath, const std::string& commentChar = "",
                         bool skipBlankLine = false) const;
    std::shared_ptr<Collection<std::string>> fileToCollection(const std::string& filePath,
                                                              const std::string& commentChar = "",
                                                              bool skipBlankLine = false) const;
    void renameFile(const std::string& fromFile, const std::string& toFile) const;
    void copyBinaryFile(const std::string& fromFile, const std::string& toFile) const;
    bool isFilePresent(const std::string& filePath) const;
    bool isDirPresent(const std::string& dirPath) const;
    std::shared_ptr<Collection<std::string>> getFiles(const std::string& dirPath, const std::string& ext) const;

    // --- mail ---
    // Sends `message` over SMTP; false when any step fails.
    bool SendMail(const std::string& smtpServer, const std::string& recipient, const std::string& message) const;

    // Wildcard match of the classic Like operator: * any run, ? one character.
    static bool isLike(const std::string& text, const std::string& pattern);

private:
    std::mt19937 random_;
};

}  // namespace vek
