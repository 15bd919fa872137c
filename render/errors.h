#pragma once
// Error classes of the rendering layer, one per component that can fail here (making the
// drawing object and its clipper cannot: they own no resources of the system). Messages follow one
// pattern, such as "Surface cannot be made", so that a report names what failed.
#include <stdexcept>
#include <string>

namespace tess {

class EDXError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class EDXDrawError : public EDXError {
 public:
  using EDXError::EDXError;
};
class EDirectDrawSurfaceError : public EDXError {
 public:
  using EDXError::EDXError;
};
class EPictureCollectionError : public EDXError {
 public:
  using EDXError::EDXError;
};
// An index outside an image list.
class EListError : public EDXError {
 public:
  using EDXError::EDXError;
};

inline std::string CannotBeMade(const std::string& what) {
  return what + " cannot be made";
}
inline std::string NotMade(const std::string& what) {
  return what + " not made";
}
inline std::string CannotBeInitialized(const std::string& what) {
  return what + " cannot be initialized";
}
inline std::string ListIndexOutOfBounds(int index) {
  return "List index out of bounds (" + std::to_string(index) + ")";
}

}  // namespace tess
