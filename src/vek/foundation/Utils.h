#pragma once
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "vek/foundation/Collection.h"
#include "vek/foundation/Convert.h"

namespace vek {

class Node;

// Stateless helpers for text, files, collections, numbers and mail, shared by
// the whole library (one process-wide instance). Paths accept "/" and "\".
class Utils {
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
    // Sends `message` over SMTP; false when any step fails. `smtpServer` is a
    // host name or address, optionally with ":port".
    bool SendMail(const std::string& smtpServer, const std::string& recipient, const std::string& message) const;

    // Wildcard match of the classic Like operator: * any run, ? one character.
    static bool isLike(const std::string& text, const std::string& pattern);

    static constexpr const char* kMailSenderAddress = "noreply@vek.local";
    static constexpr const char* kMailSenderName = "QDX Software";

    // ------------------------------------------------------------------
    // Geometry: 4 x 4 affine matrices in row-vector form, vectors, and the
    // plane and space geometry of path lengths, corners and arcs.
    //
    // Matrices and vectors keep index 0 unused (rows and columns 1..n carry
    // the values). Node functions read the values of the current coordinate
    // system, except getCenterOfThreePointCircle, which reads world values;
    // axis differences are 32-bit differences (overflow raises 6). Lengths use
    // axes 1..3 scaled by their pitch ratios.
    // ------------------------------------------------------------------
    using Matrix = std::vector<std::vector<double>>;
    using Vector = std::vector<double>;

    // The decimal value of pi that vek's geometry has always used; results
    // that hosts compare against depend on exactly this value.
    static constexpr double PI = 3.14159265358979;
    // Stands for zero in geometric comparisons and nudges.
    static constexpr double GEOMETRY_ZERO = 1e-8;

    static Matrix getIdentityMatrix(int16_t dimension);
    // Product of two affine 0..4 matrices: m2 acts after m1.
    static Matrix multiplyMatrices(const Matrix& m1, const Matrix& m2);
    static Vector getIdentityVector(int16_t dimension);
    // Pitch-scaled difference node2 - node1 of axes 1..3, as a 0..8 vector.
    static Vector vectorFromTwoNodes(const Node& node1, const Node& node2, double xPitchRatio, double yPitchRatio,
                                     double zPitchRatio);
    static Vector vectorCrossProduct(const Vector& a, const Vector& b);
    static double vectorDotProduct(const Vector& a, const Vector& b);
    static double vectorLength(const Vector& a);
    // Logs each row at level 6 ("Row=1 -> 1 , 0 , 0 , 0 , ") for developers.
    static void matrixToString(const Matrix& matrix);

    static double distanceBetweenNodes(const Node& fromNode, const Node& toNode, double xPitchRatio, double yPitchRatio,
                                       double zPitchRatio);
    // The point `atDistance` along fromNode -> toNode (all eight axes
    // interpolated, not clamped); a copy of fromNode when the two coincide.
    static std::shared_ptr<Node> getNodeOnPath(const Node& fromNode, const Node& toNode, double atDistance);
    // The two above on bare axis values (8 of them, axes 1..8), for loops
    // that keep points without nodes: the pitch-scaled distance of axes 1..3,
    // and the values `atDistance` along a segment of length `total` (> 0).
    static double distanceBetweenAxes(const int32_t* from, const int32_t* to, double xPitchRatio, double yPitchRatio,
                                      double zPitchRatio);
    static void interpolateAxes(const int32_t* from, const int32_t* to, double total, double atDistance, int32_t* out);
    // Center of the XY circle through three nodes (world values); collinear
    // points raise 11 (division by zero).
    static std::shared_ptr<Node> getCenterOfThreePointCircle(const Node& p1, const Node& p2, const Node& p3);
    // dy/dx pitch-scaled; a vertical line gives 1e8 whatever its direction.
    static double slopeOfLine(const Node& fromNode, const Node& toNode, double xPitchRatio, double yPitchRatio);

    // Angles in radians. Except at exactly +-1, ratio is nudged 1e-8 towards
    // zero first and the nudged value is written back to the caller.
    static double acos(double& ratio);
    static double asin(double& ratio);
    // Arctangent moved into the quadrant (1..4) the direction lies in: [0, 2pi).
    static double atan(double slope, int16_t quadrant);
    static double radToDegree(double radians) { return radians * (180 / PI); }
    static double degreeToRadian(double degrees) { return degrees * (PI / 180); }
    // Quadrant of tmpNode about center: 1 upper right, 2 upper left, 3 lower
    // left (and the center itself), 4 lower right.
    static int16_t whichQuadrant(const Node& center, const Node& tmpNode);
    // Signed XY area in motor units, positive counter-clockwise.
    static double vectorTriangleAreaTwoDimension(const Node& node1, const Node& node2, const Node& node3);
    static double scalarTriangleAreaThreeDimension(const Node& node1, const Node& node2, const Node& node3,
                                                   double xPitchRatio, double yPitchRatio, double zPitchRatio);

private:
    std::vector<std::string> selectedLines(const std::string& filePath, const std::string& commentChar,
                                           bool skipBlankLine) const;

    std::mt19937 random_;
};

}  // namespace vek
