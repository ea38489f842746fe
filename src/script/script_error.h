// Error codes of the script engine and their messages. Codes below 0x8000 are
// faults of the script's text or types; codes from 0x8000 are run-time
// conditions that a try statement can catch.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tamber::script {

enum ErrorCode : std::uint16_t {
  ecNoError = 0, ecCannotRead = 1, ecCannotWrite = 2, ecUnknownIdentifier = 3,
  ecIdentifierExpected = 4, ecSemicolonExpected = 5, ecBeginExpected = 6, ecDuplicateIdentifier = 7,
  ecUnexpectedEnd = 8, ecColonExpected = 9, ecSyntaxError = 10, ecStringError = 11,
  ecErrorInStatement = 12, ecAssignmentExpected = 13, ecTypeMismatch = 14, ecErrorInExpression = 15,
  ecRoundOpenExpected = 16, ecRoundCloseExpected = 17, ecVariableExpected = 18, ecCommaExpected = 19,
  ecThenExpected = 20, ecPeriodExpected = 21, ecParameterError = 22, ecToExpected = 23,
  ecDoExpected = 24, ecOfExpected = 25, ecEndExpected = 26, ecOpenBlock = 27, ecCloseBlock = 28,
  ecConstantExpected = 29, ecIsExpected = 30, ecIntegerExpected = 31, ecCloseRoundExpected = 32,
  ecUntilExpected = 33, ecClassNotDeclared = 34, ecNotClass = 35, ecCannotOverride = 36,
  ecInvalidForward = 37, ecConstructorExpected = 38, ecNoInheritance = 39, ecNoAccessProperty = 40,
  ecObjectExpected = 41, ecCommentError = 42, ecCharError = 43, ecExceptExpected = 44,
  ecStringExpected = 45,
  ecUnitNotFound = 0x8000, ecClassNotInitialized = 0x8001, ecOutOfRange = 0x8002,
  ecDivideByZero = 0x8003, ecNotSupported = 0x8004, ecExitCommand = 0x8005,
  ecClassAlreadyFreed = 0x8006, ecClassReferenceNil = 0x8007, ecVariantIsNil = 0x8008,
  ecCustomError = 0x8009, ecOutOfMemory = 0x800A,
};

// The message of code, in UTF-8; extra is the error's extra text (CP932 bytes
// are passed through unchanged).
std::string ErrorMessage(std::uint16_t code, std::string_view extra);

}  // namespace tamber::script
