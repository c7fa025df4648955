// Plots, history recording and plot import of the device page.
#include "devwidget_klv2400.h"

void DevWidget_KLV2400::onGetSamplingValue(ST_SamplingValue) {}
void DevWidget_KLV2400::onPlotImportBtnClicked() {}
void DevWidget_KLV2400::onFolderOpenBtnClicked() {}
void DevWidget_KLV2400::onPlotSaveBtnClicked() {}
void DevWidget_KLV2400::onPlotPauseBtnClicked(bool) {}
void DevWidget_KLV2400::onPlotCumulTimeChanged() {}
void DevWidget_KLV2400::openHistoryFile() {}
void DevWidget_KLV2400::writeHistoryRow(double, double, double) {}
DevWidget_KLV2400::HistoryClose DevWidget_KLV2400::closeHistoryFile() { return HistoryClose::NotOpen; }
