# The translators' files: each PO file passes msgfmt's checks and has every
# message of the template translated (msgcmp; a fuzzy one does not count,
# and po/vellmoor.pot is what the `pot` target makes from the English).
find_program(VM_MSGCMP msgcmp REQUIRED)
foreach(language ${VM_LANGUAGES})
  add_test(NAME lang.po-checks-${language}
           COMMAND ${VM_MSGFMT} --check --statistics -o /dev/null ${VM_PO_DIR}/${language}.po)
  add_test(NAME lang.po-complete-${language}
           COMMAND ${VM_MSGCMP} ${VM_PO_DIR}/${language}.po ${VM_PO_DIR}/vellmoor.pot)
endforeach()
