Gelöschte Diashows landen im Papierkorb und lassen sich von dort zurückholen.
