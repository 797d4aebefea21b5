#include "cli/options.h"

namespace ovalon {

bool ArgumentCursor::Next() {
  if (m_next >= m_args.size()) return false;
  m_name = m_args[m_next++];
  m_text.reset();
  if (m_name.rfind("--", 0) == 0) {
    const size_t eq = m_name.find('=');
    if (eq != std::string::npos) {
      m_text = m_name.substr(eq + 1);
      m_name.resize(eq);
    }
  }
  return true;
}

std::string ArgumentCursor::Text() {
  if (m_text) return *m_text;
  if (m_next >= m_args.size()) throw UsageError("option " + m_name + " needs a value");
  return m_args[m_next++];
}

void ArgumentCursor::NoText() const {
  if (m_text) throw UsageError("option " + m_name + " takes no value");
}

bool ReadFitOption(ArgumentCursor& cursor, FitSettings& fit) {
  const std::string& name = cursor.Name();
  if (name == "--method") {
    const std::string method = cursor.Text();
    if (method != "mnk" && method != "lm") throw UsageError("--method must be mnk or lm");
    fit.leastSquares = method == "mnk";
  } else if (name == "--cycles") {
    fit.cycles = cursor.Text();
  } else if (name == "--start") {
    fit.start = cursor.Text();
  } else if (name == "--lambda") {
    fit.lambda = cursor.Text();
  } else if (name == "--step") {
    fit.step = cursor.Text();
  } else if (name == "--inverse-precision") {
    fit.inversePrecision = cursor.Text();
  } else if (name == "--rotation-precision") {
    fit.rotationPrecision = cursor.Text();
  } else {
    return false;
  }
  return true;
}

}  // namespace ovalon
