// placeholder until the dialogs land
