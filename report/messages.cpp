#include "report/messages.h"

namespace ovalon {

std::vector<std::string> CoordinateNotices(const CoordinateReading& reading) {
  if (reading.formatError) return {};
  if (reading.tooManyLines) return {"В тексте больше 60 атомов: прочитаны только первые 60."};
  if (!reading.incomplete) return {};
  return {"В тексте строк атомов: " + std::to_string(reading.atomLines) +
          ", строк погрешностей: " + std::to_string(reading.uncertaintyLines) +
          ", а ожидалось по 60 строк из трёх чисел. Значения, которых нет в тексте, остались "
          "прежними."};
}

}  // namespace ovalon
