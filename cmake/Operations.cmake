# Turns engine/operations.table into the code that must agree on every operation:
# the library's C exports and their dispatch, the binding core's function table
# and methods, and the facade's methods. Runs at configure time; editing the
# table or the facade template re-runs it.

function(_folio_write_if_changed path content)
  set(tmp "${path}.tmp")
  file(WRITE "${tmp}" "${content}")
  configure_file("${tmp}" "${path}" COPYONLY)
  file(REMOVE "${tmp}")
endfunction()

function(folio_generate_operations table outdir)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    "${table}" "${CMAKE_SOURCE_DIR}/engine/pdfengine.h.in" "${CMAKE_SOURCE_DIR}/cmake/Operations.cmake")
  file(STRINGS "${table}" lines)

  set(internal CreateLibrary ReleaseLibrary StringResultLength AnsiStringResultLength
               CreateBuffer AddToBuffer ReleaseBuffer)

  set(banner "// Generated from engine/operations.table by cmake/Operations.cmake. Do not edit.\n")
  set(c_decls "")
  set(dispatch "")
  set(inst_decls "")
  set(core_enum "")
  set(core_names "")
  set(core_decls "")
  set(core_defs "")
  set(facade_decls "")
  set(facade_defs "")
  set(op_names "")
  set(standin "")
  set(count 0)

  foreach(name IN LISTS internal)
    string(APPEND core_enum "    Fn_${name},\n")
    string(APPEND core_names "    \"FPE${name}\",\n")
  endforeach()

  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line STREQUAL "" OR line MATCHES "^#")
      continue()
    endif()
    if(NOT line MATCHES "^([A-Za-z]+)[ \t]+([A-Za-z0-9_]+)[ \t]*(.*)$")
      message(FATAL_ERROR "operations.table: cannot read line '${line}'")
    endif()
    set(rtype "${CMAKE_MATCH_1}")
    set(op "${CMAKE_MATCH_2}")
    set(params "${CMAKE_MATCH_3}")
    math(EXPR count "${count} + 1")
    list(APPEND op_names "${op}")

    # Parameter lists at each level.
    set(c_params "int instanceId")
    set(c_types "int")
    set(inst_params "")
    set(inst_args "")
    set(core_params "")
    set(core_args "instanceId")
    set(facade_params "")
    set(facade_args "")
    if(NOT params STREQUAL "")
      string(REPLACE "," ";" plist "${params}")
      foreach(p IN LISTS plist)
        string(STRIP "${p}" p)
        if(NOT p MATCHES "^([A-Za-z]+)[ \t]+([A-Za-z0-9_]+)$")
          message(FATAL_ERROR "operations.table: bad parameter '${p}' of ${op}")
        endif()
        set(ptype "${CMAKE_MATCH_1}")
        set(pname "${CMAKE_MATCH_2}")
        if(ptype STREQUAL "int" OR ptype STREQUAL "double")
          set(ct "${ptype}")
          set(it "${ptype}")
          set(ia "${pname}")
          set(kt "${ptype}")
          set(ka "${pname}")
          set(ft "${ptype}")
          set(fa "${pname}")
        elseif(ptype STREQUAL "QString")
          set(ct "const char16_t*")
          set(it "const QString&")
          set(ia "fpe::textArgument(${pname})")
          set(kt "const std::u16string&")
          set(ka "${pname}.c_str()")
          set(ft "QString")
          set(fa "${pname}.toStdU16String()")
        else()
          message(FATAL_ERROR "operations.table: unknown type '${ptype}' in ${op}")
        endif()
        string(APPEND c_params ", ${ct} ${pname}")
        string(APPEND c_types ", ${ct}")
        list(APPEND inst_params "${it} ${pname}")
        list(APPEND inst_args "${ia}")
        list(APPEND core_params "${kt} ${pname}")
        string(APPEND core_args ", ${ka}")
        list(APPEND facade_params "${ft} ${pname}")
        list(APPEND facade_args "${fa}")
      endforeach()
    endif()
    list(JOIN inst_params ", " inst_params)
    list(JOIN inst_args ", " inst_args)
    list(JOIN core_params ", " core_params)
    list(JOIN facade_params ", " facade_params)
    list(JOIN facade_args ", " facade_args)

    if(rtype STREQUAL "int" OR rtype STREQUAL "double")
      set(c_ret "${rtype}")
      set(inst_ret "${rtype}")
      set(core_ret "${rtype}")
      set(facade_ret "${rtype}")
      set(fail "0")
      set(disp "fpe::dispatch<${rtype}>")
      set(core_wrap_open "")
      set(core_wrap_close "")
      set(facade_wrap_open "")
      set(facade_wrap_close "")
    elseif(rtype STREQUAL "QString")
      set(c_ret "const char16_t*")
      set(inst_ret "QString")
      set(core_ret "std::u16string")
      set(facade_ret "QString")
      set(fail "{}")
      set(disp "fpe::dispatchText")
      set(core_wrap_open "textResult(")
      set(core_wrap_close ")")
      set(facade_wrap_open "QString::fromStdU16String(")
      set(facade_wrap_close ")")
    else()
      message(FATAL_ERROR "operations.table: unknown result type '${rtype}' of ${op}")
    endif()

    string(APPEND c_decls "FPE_API ${c_ret} FPE${op}(${c_params});\n")
    if(rtype STREQUAL "QString")
      set(standin_body "return standInText(instanceId);")
    else()
      set(standin_body "return standInNumber<${rtype}>(instanceId);")
    endif()
    string(APPEND standin "extern \"C\" FPE_API ${c_ret} FPE${op}(${c_params})\n{\n    ${standin_body}\n}\n\n")
    string(APPEND dispatch
      "extern \"C\" FPE_API ${c_ret} FPE${op}(${c_params})\n{\n"
      "    return ${disp}(instanceId, \"${op}\", [&](fpe::Instance& in) { return in.${op}(${inst_args}); });\n}\n\n")
    string(APPEND inst_decls "    ${inst_ret} ${op}(${inst_params});\n")
    string(APPEND core_enum "    Fn_${op},\n")
    string(APPEND core_names "    \"FPE${op}\",\n")
    string(APPEND core_decls "    ${core_ret} ${op}(${core_params});\n")
    string(APPEND core_defs
      "${core_ret} EngineCore::${op}(${core_params})\n{\n"
      "    using Fn = ${c_ret} (*)(${c_types});\n"
      "    if (functionMissing)\n        return ${fail};\n"
      "    return ${core_wrap_open}reinterpret_cast<Fn>(functions[Fn_${op}])(${core_args})${core_wrap_close};\n}\n\n")
    string(APPEND facade_decls "    Q_INVOKABLE ${facade_ret} ${op}(${facade_params});\n")
    string(APPEND facade_defs
      "${facade_ret} PdfEngine::${op}(${facade_params})\n{\n"
      "    return ${facade_wrap_open}core->${op}(${facade_args})${facade_wrap_close};\n}\n\n")
  endforeach()

  string(CONCAT exports_h
    "${banner}// The C interface of the FolioPdfEngine library.\n#pragma once\n\n#include <stddef.h>\n\n"
    "#if defined(_WIN32)\n#  if defined(FOLIO_PDF_ENGINE_BUILD)\n#    define FPE_API __declspec(dllexport)\n#  else\n#    define FPE_API __declspec(dllimport)\n#  endif\n"
    "#else\n#  define FPE_API __attribute__((visibility(\"default\")))\n#endif\n\n"
    "#ifdef __cplusplus\nextern \"C\" {\n#else\n#include <uchar.h>\n#endif\n\n"
    "FPE_API int FPECreateLibrary(void);\n"
    "FPE_API int FPEReleaseLibrary(int instanceId);\n"
    "FPE_API int FPEStringResultLength(int instanceId);\n"
    "FPE_API int FPEAnsiStringResultLength(int instanceId);\n"
    "FPE_API void* FPECreateBuffer(int instanceId, int length);\n"
    "FPE_API int FPEAddToBuffer(int instanceId, void* buffer, const char* data, int length);\n"
    "FPE_API int FPEReleaseBuffer(int instanceId, void* buffer);\n\n"
    "${c_decls}\n#ifdef __cplusplus\n}\n#endif\n")
  _folio_write_if_changed("${outdir}/fpe_exports.h" "${exports_h}")
  _folio_write_if_changed("${outdir}/fpe_dispatch.inc" "${banner}\n${dispatch}")
  _folio_write_if_changed("${outdir}/fpe_instance_ops.inc" "${banner}${inst_decls}")
  _folio_write_if_changed("${outdir}/fpe_standin_ops.inc" "${banner}\n${standin}")
  _folio_write_if_changed("${outdir}/enginecore_functions.inc"
    "${banner}enum Function {\n${core_enum}    FunctionCount\n};\n")
  _folio_write_if_changed("${outdir}/enginecore_ops.inc" "${banner}${core_decls}")
  _folio_write_if_changed("${outdir}/enginecore_ops.cpp"
    "${banner}#include \"enginecore.h\"\n\nconst char* const EngineCore::functionNames[EngineCore::FunctionCount] = {\n${core_names}};\n\n${core_defs}")
  _folio_write_if_changed("${outdir}/pdfengine_ops.cpp"
    "${banner}#include \"pdfengine.h\"\n#include \"enginecore.h\"\n\n${facade_defs}")

  string(REPLACE ";" "\", \"" names_joined "${op_names}")
  _folio_write_if_changed("${outdir}/fpe_operation_names.inc"
    "${banner}static const char* const kOperationNames[] = { \"${names_joined}\" };\nstatic const int kOperationCount = ${count};\n")

  set(FACADE_METHODS "${facade_decls}")
  configure_file("${CMAKE_SOURCE_DIR}/engine/pdfengine.h.in" "${outdir}/pdfengine.h" @ONLY)
  set(FOLIO_GENERATED_DIR "${outdir}" PARENT_SCOPE)
endfunction()
