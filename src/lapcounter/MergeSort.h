#pragma once

#include <QVector>

// Top-down merge sort of data[lo..hi] through one scratch array. At each step of a merge the
// right element is taken when less(left, right) equals takeRightWhen, otherwise the left one;
// this fixes the order of equal keys.
template <typename T, typename Less>
void MergeSortRange(T* data, T* scratch, qint64 lo, qint64 hi, Less less, bool takeRightWhen) {
    if (lo == hi)
        return;
    const qint64 mid = (lo + hi) / 2;
    MergeSortRange(data, scratch, lo, mid, less, takeRightWhen);
    MergeSortRange(data, scratch, mid + 1, hi, less, takeRightWhen);
    qint64 a = lo;
    qint64 b = mid + 1;
    qint64 k = lo;
    while (a <= mid && b <= hi) {
        if (less(data[a], data[b]) == takeRightWhen)
            scratch[k++] = data[b++];
        else
            scratch[k++] = data[a++];
    }
    while (a <= mid)
        scratch[k++] = data[a++];
    while (b <= hi)
        scratch[k++] = data[b++];
    for (qint64 i = lo; i <= hi; ++i)
        data[i] = scratch[i];
}

template <typename T, typename Less> void MergeSort(QVector<T>& items, Less less, bool takeRightWhen) {
    if (items.size() < 2)
        return;
    QVector<T> scratch(items.size());
    MergeSortRange(items.data(), scratch.data(), 0, items.size() - 1, less, takeRightWhen);
}
